#include "platform/sim/memory_registry.h"

#include <functional>
#include <map>

#include "platform/errors.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

char16_t UpcaseForCompare(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c < 0x80) return c;
    return FoldCase(c);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpcaseForCompare(a[i]) != UpcaseForCompare(b[i])) return false;
    }
    return true;
}

// Calls `f` with each component of the key path a call with `view` addresses,
// without building the resolved path.
template <typename F>
void ForEachComponent(Hive hive, std::u16string_view key, RegView view, F&& f) {
    size_t start = 0;
    bool first = true;
    while (start <= key.size()) {
        size_t end = key.find(u'\\', start);
        if (end == std::u16string_view::npos) end = key.size();
        if (end > start) {
            const std::u16string_view part = key.substr(start, end - start);
            f(part);
            if (first && view == RegView::Force32 && hive == Hive::LocalMachine && SameName(part, u"SOFTWARE")) {
                // Unless the path names WOW6432Node itself.
                size_t next = end + 1;
                while (next < key.size() && key[next] == u'\\') ++next;
                size_t nextEnd = key.find(u'\\', next);
                if (nextEnd == std::u16string_view::npos) nextEnd = key.size();
                if (next >= key.size() || !SameName(key.substr(next, nextEnd - next), u"WOW6432Node")) f(u"WOW6432Node");
            }
            first = false;
        }
        start = end + 1;
    }
}

struct NameLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return RegistryNameLess(a, b); }
};

size_t HiveIndex(Hive hive) { return static_cast<size_t>(hive) % 3; }

}  // namespace

bool RegistryNameLess(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        char16_t x = UpcaseForCompare(a[i]);
        char16_t y = UpcaseForCompare(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::u16string ResolveViewPath(Hive hive, std::u16string_view key, RegView view) {
    std::u16string out;
    ForEachComponent(hive, key, view, [&](std::u16string_view part) {
        if (!out.empty()) out.push_back(u'\\');
        out.append(part);
    });
    return out;
}

struct MemoryRegistry::Node {
    std::u16string name;
    std::map<std::u16string, std::unique_ptr<Node>, NameLess> children;
    std::vector<RegEntry> values;  // in creation order

    RegEntry* FindValue(std::u16string_view valueName) {
        for (auto& v : values) {
            if (SameName(v.name, valueName)) return &v;
        }
        return nullptr;
    }
};

MemoryRegistry::MemoryRegistry() {
    for (auto& root : roots_) root = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(Hive hive, std::u16string_view key, RegView view) const {
    Node* node = roots_[HiveIndex(hive)].get();
    ForEachComponent(hive, key, view, [&](std::u16string_view part) {
        if (node == nullptr) return;
        auto it = node->children.find(part);
        node = it == node->children.end() ? nullptr : it->second.get();
    });
    return node;
}

MemoryRegistry::Node* MemoryRegistry::FindOrCreate(Hive hive, std::u16string_view key, RegView view) {
    Node* node = roots_[HiveIndex(hive)].get();
    ForEachComponent(hive, key, view, [&](std::u16string_view part) {
        auto it = node->children.find(part);
        if (it == node->children.end()) {
            auto child = std::make_unique<Node>();
            child->name = std::u16string(part);
            it = node->children.emplace(std::u16string(part), std::move(child)).first;
        }
        node = it->second.get();
    });
    return node;
}

uint32_t MemoryRegistry::QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                                    RegView view) {
    Notify(hive, key, false);
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(hive, key, view);
    if (node == nullptr) return err::kFileNotFound;
    RegEntry* entry = node->FindValue(name);
    if (entry == nullptr) return err::kFileNotFound;
    out = entry->value;
    return err::kSuccess;
}

uint32_t MemoryRegistry::SetValue(Hive hive, std::u16string_view key, std::u16string_view name,
                                  const RegValue& value, RegView view) {
    Notify(hive, key, true);
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = FindOrCreate(hive, key, view);
    if (RegEntry* entry = node->FindValue(name)) {
        entry->value = value;  // keeps its place and the spelling it was created with
    } else {
        node->values.push_back(RegEntry{std::u16string(name), value});
    }
    return err::kSuccess;
}

uint32_t MemoryRegistry::DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name, RegView view) {
    Notify(hive, key, true);
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(hive, key, view);
    if (node == nullptr) return err::kFileNotFound;
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        if (SameName(it->name, name)) {
            node->values.erase(it);
            return err::kSuccess;
        }
    }
    return err::kFileNotFound;
}

uint32_t MemoryRegistry::CreateKey(Hive hive, std::u16string_view key, RegView view) {
    Notify(hive, key, true);
    std::lock_guard<std::mutex> lock(mutex_);
    FindOrCreate(hive, key, view);
    return err::kSuccess;
}

uint32_t MemoryRegistry::OpenKey(Hive hive, std::u16string_view key, RegView view) {
    Notify(hive, key, false);
    std::lock_guard<std::mutex> lock(mutex_);
    return Find(hive, key, view) ? err::kSuccess : err::kFileNotFound;
}

uint32_t MemoryRegistry::DeleteKey(Hive hive, std::u16string_view key, RegView view) {
    Notify(hive, key, true);
    std::u16string path = ResolveViewPath(hive, key, view);
    std::lock_guard<std::mutex> lock(mutex_);
    size_t cut = path.rfind(u'\\');
    if (path.empty()) return err::kAccessDenied;  // a hive's root cannot be deleted
    Node* parent = cut == std::u16string::npos ? roots_[HiveIndex(hive)].get()
                                               : Find(hive, std::u16string_view(path).substr(0, cut), RegView::Default);
    if (parent == nullptr) return err::kFileNotFound;
    std::u16string_view leaf = cut == std::u16string::npos ? std::u16string_view(path)
                                                           : std::u16string_view(path).substr(cut + 1);
    auto it = parent->children.find(leaf);
    if (it == parent->children.end()) return err::kFileNotFound;
    if (!it->second->children.empty()) return err::kAccessDenied;
    parent->children.erase(it);
    return err::kSuccess;
}

uint32_t MemoryRegistry::DeleteTree(Hive hive, std::u16string_view key, RegView view) {
    Notify(hive, key, true);
    std::u16string path = ResolveViewPath(hive, key, view);
    std::lock_guard<std::mutex> lock(mutex_);
    if (path.empty()) return err::kAccessDenied;
    size_t cut = path.rfind(u'\\');
    Node* parent = cut == std::u16string::npos ? roots_[HiveIndex(hive)].get()
                                               : Find(hive, std::u16string_view(path).substr(0, cut), RegView::Default);
    if (parent == nullptr) return err::kFileNotFound;
    std::u16string_view leaf = cut == std::u16string::npos ? std::u16string_view(path)
                                                           : std::u16string_view(path).substr(cut + 1);
    auto it = parent->children.find(leaf);
    if (it == parent->children.end()) return err::kFileNotFound;
    parent->children.erase(it);
    return err::kSuccess;
}

uint32_t MemoryRegistry::EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                                  RegView view) {
    Notify(hive, key, false);
    std::lock_guard<std::mutex> lock(mutex_);
    names.clear();
    Node* node = Find(hive, key, view);
    if (node == nullptr) return err::kFileNotFound;
    names.reserve(node->children.size());
    for (const auto& [name, child] : node->children) names.push_back(child->name);
    return err::kSuccess;
}

uint32_t MemoryRegistry::EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values,
                                    RegView view) {
    Notify(hive, key, false);
    std::lock_guard<std::mutex> lock(mutex_);
    values.clear();
    Node* node = Find(hive, key, view);
    if (node == nullptr) return err::kFileNotFound;
    values = node->values;
    return err::kSuccess;
}

std::vector<RegistryKeyDump> MemoryRegistry::Dump() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RegistryKeyDump> out;
    std::function<void(Hive, const Node&, const std::u16string&)> walk = [&](Hive hive, const Node& node,
                                                                            const std::u16string& path) {
        out.push_back(RegistryKeyDump{hive, path, node.values});
        for (const auto& [name, child] : node.children) {
            walk(hive, *child, path.empty() ? child->name : path + u"\\" + child->name);
        }
    };
    const Hive hives[] = {Hive::LocalMachine, Hive::CurrentUser, Hive::ClassesRoot};
    for (Hive hive : hives) walk(hive, *roots_[HiveIndex(hive)], std::u16string());
    return out;
}

void MemoryRegistry::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& root : roots_) root = std::make_unique<Node>();
}

void MemoryRegistry::SetObserver(Observer observer) { observer_ = std::move(observer); }

}  // namespace quellora::sim
