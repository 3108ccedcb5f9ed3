// An in-memory registry with the rules of the Windows registry: three hives,
// key names compared without regard to case (their spelling kept for
// enumeration), subkeys listed in the hive's sorted order, values in the order
// they were created, and the 32-bit view of HKLM\SOFTWARE redirected to
// WOW6432Node. Thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace quellora::sim {

// The key path a call with `view` addresses: in the 32-bit view,
// HKLM\SOFTWARE\X becomes HKLM\SOFTWARE\WOW6432Node\X. Empty components
// (doubled or outer backslashes) are dropped.
std::u16string ResolveViewPath(Hive hive, std::u16string_view key, RegView view);

// The order in which a hive lists its subkeys: names compared code unit by
// code unit after upper-casing (ASCII letters; other letters folded).
bool RegistryNameLess(std::u16string_view a, std::u16string_view b);

// One key of a whole-registry dump.
struct RegistryKeyDump {
    Hive hive = Hive::LocalMachine;
    std::u16string path;  // empty for the hive's root
    std::vector<RegEntry> values;
};

class MemoryRegistry : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    uint32_t QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                        RegView view = RegView::Default) override;
    uint32_t SetValue(Hive hive, std::u16string_view key, std::u16string_view name, const RegValue& value,
                      RegView view = RegView::Default) override;
    uint32_t DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name,
                         RegView view = RegView::Default) override;
    uint32_t CreateKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t OpenKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t DeleteKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t DeleteTree(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                      RegView view = RegView::Default) override;
    uint32_t EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values,
                        RegView view = RegView::Default) override;

    // Every key of every hive, each parent before its children, subkeys in
    // enumeration order; replaying CreateKey and SetValue in this order
    // rebuilds the same registry.
    std::vector<RegistryKeyDump> Dump() const;
    // Removes every key and value.
    void Clear();

    // Called at the start of every call, outside the registry's lock, with the
    // key it addresses and whether it changes something: lets a test start
    // another thread at an exact point of a sequence of calls. Set it while
    // no other thread uses the registry.
    using Observer = std::function<void(Hive hive, std::u16string_view key, bool change)>;
    void SetObserver(Observer observer);

private:
    struct Node;
    Node* Find(Hive hive, std::u16string_view key, RegView view) const;
    Node* FindOrCreate(Hive hive, std::u16string_view key, RegView view);

    void Notify(Hive hive, std::u16string_view key, bool change) {
        if (observer_) observer_(hive, key, change);
    }

    mutable std::mutex mutex_;
    std::unique_ptr<Node> roots_[3];
    Observer observer_;
};

}  // namespace quellora::sim
