#include "platform/host/journal_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/text.h"

namespace quellora {

namespace {

constexpr std::string_view kHeader = "QUELLORA-SIM-REGISTRY 1";
// A snapshot's first line: the header, a tab, "snapshot" and its size in
// bytes, twelve digits (readers that know only the header skip the line).
constexpr std::string_view kSnapshotMark = "\tsnapshot ";
constexpr size_t kSnapshotDigits = 12;

const char* HiveName(Hive hive) {
    switch (hive) {
        case Hive::LocalMachine:
            return "HKLM";
        case Hive::CurrentUser:
            return "HKCU";
        case Hive::ClassesRoot:
            return "HKCR";
    }
    return "HKLM";
}

bool ParseHive(std::string_view text, Hive& hive) {
    if (text == "HKLM") hive = Hive::LocalMachine;
    else if (text == "HKCU") hive = Hive::CurrentUser;
    else if (text == "HKCR") hive = Hive::ClassesRoot;
    else return false;
    return true;
}

// Names and paths: UTF-8 with the separators escaped; unpaired surrogates kept as %uXXXX.
std::string Escape(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'%') {
            out += "%25";
        } else if (c == u'\t') {
            out += "%09";
        } else if (c == u'\n') {
            out += "%0A";
        } else if (c == u'\r') {
            out += "%0D";
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%%u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::u16string& out) {
    out.clear();
    std::string run;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            run.push_back(text[i]);
            continue;
        }
        if (i + 5 < text.size() + 0 && text[i + 1] == 'u') {
            uint32_t v = 0;
            for (size_t k = 2; k < 6; ++k) {
                const int d = HexDigit(text[i + k]);
                if (d < 0) return false;
                v = v << 4 | static_cast<uint32_t>(d);
            }
            out += Utf8ToUtf16(run);
            run.clear();
            out.push_back(static_cast<char16_t>(v));
            i += 5;
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int hi = HexDigit(text[i + 1]);
        const int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        run.push_back(static_cast<char>(hi << 4 | lo));
        i += 2;
    }
    out += Utf8ToUtf16(run);
    return true;
}

std::string HexBytes(const std::vector<uint8_t>& data) {
    static const char* kDigits = "0123456789abcdef";
    std::string out;
    out.reserve(data.size() * 2);
    for (uint8_t b : data) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& out) {
    if (text.size() % 2 != 0) return false;
    out.resize(text.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const int hi = HexDigit(text[2 * i]);
        const int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

std::string KeyLine(char op, Hive hive, std::u16string_view key) {
    std::string line(1, op);
    line += '\t';
    line += HiveName(hive);
    line += '\t';
    line += Escape(key);
    return line;
}

std::string ValueLine(char op, Hive hive, std::u16string_view key, std::u16string_view name) {
    std::string line = KeyLine(op, hive, key);
    line += '\t';
    line += Escape(name);
    return line;
}

std::string SetLine(Hive hive, std::u16string_view key, std::u16string_view name, const RegValue& value) {
    std::string line = ValueLine('S', hive, key, name);
    line += '\t';
    line += std::to_string(value.type);
    line += '\t';
    line += HexBytes(value.data);
    return line;
}

// Every record ends in a last field "." so that a line cut short by a writer that died is never taken for whole.
std::string Record(std::string line) {
    line += "\t.\n";
    return line;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

JournalRegistry::JournalRegistry(std::string path) : path_(std::move(path)) {
    std::lock_guard<std::mutex> lock(mutex_);
    Reopen();
}

JournalRegistry::~JournalRegistry() {
    if (fd_ >= 0) ::close(fd_);
}

bool JournalRegistry::IsOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fd_ >= 0;
}

void JournalRegistry::Reopen() {
    const int fresh = ::open(path_.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fresh < 0) return;  // no file: what is in memory stays the registry
    if (fd_ >= 0) ::close(fd_);
    fd_ = fresh;
    memory_.Clear();
    offset_ = 0;
    snapshotBytes_ = 0;
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }
    ReadNewLines();
}

void JournalRegistry::ReadNewLines() {
    if (fd_ < 0) return;
    std::string pending;
    uint64_t at = offset_;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        at += static_cast<uint64_t>(n);
        pending.append(buffer, static_cast<size_t>(n));
        // Apply the complete lines read so far.
        size_t start = 0;
        size_t newline;
        while ((newline = pending.find('\n', start)) != std::string::npos) {
            ApplyLine(std::string_view(pending).substr(start, newline - start));
            start = newline + 1;
        }
        offset_ += start;
        pending.erase(0, start);
    }
}

void JournalRegistry::Sync() {
    if (fd_ < 0) {
        Reopen();
        return;
    }
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || st.st_ino != ino_ || st.st_dev != dev_ ||
        static_cast<uint64_t>(st.st_size) < offset_) {
        Reopen();  // replaced (compacted) or removed: read the file now at the path whole
        return;
    }
    if (static_cast<uint64_t>(st.st_size) > offset_) ReadNewLines();
}

bool JournalRegistry::LockCurrent() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        Sync();
        if (fd_ < 0) return false;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) return false;
        }
        struct stat open {};
        struct stat named {};
        if (::fstat(fd_, &open) == 0 && ::stat(path_.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
            open.st_dev == named.st_dev) {
            ReadNewLines();  // whatever was appended before the lock was ours
            return true;
        }
        ::flock(fd_, LOCK_UN);
        ino_ = 0;  // replaced while waiting: open the new file
    }
    return false;
}

uint32_t JournalRegistry::ApplyLine(std::string_view line) {
    if (line.empty()) return err::kSuccess;
    if (line.substr(0, kHeader.size()) == kHeader) {
        const std::string_view rest = line.substr(kHeader.size());
        if (rest.substr(0, kSnapshotMark.size()) == kSnapshotMark)
            snapshotBytes_ = std::strtoull(std::string(rest.substr(kSnapshotMark.size())).c_str(), nullptr, 10);
        return err::kSuccess;
    }
    std::vector<std::string_view> f = SplitTabs(line);
    if (f.size() < 4 || f.back() != "." || f[0].size() != 1) return err::kInvalidData;
    f.pop_back();
    Hive hive;
    std::u16string key;
    if (!ParseHive(f[1], hive) || !Unescape(f[2], key)) return err::kInvalidData;
    const Op op = static_cast<Op>(f[0][0]);
    switch (op) {
        case Op::CreateKey:
        case Op::DeleteKey:
        case Op::DeleteTree:
            if (f.size() != 3) return err::kInvalidData;
            return Apply(op, hive, key, {}, nullptr);
        case Op::DeleteValue: {
            std::u16string name;
            if (f.size() != 4 || !Unescape(f[3], name)) return err::kInvalidData;
            return Apply(op, hive, key, name, nullptr);
        }
        case Op::Set: {
            std::u16string name;
            RegValue value;
            if (f.size() != 6 || !Unescape(f[3], name) || !ParseHexBytes(f[5], value.data)) return err::kInvalidData;
            value.type = static_cast<uint32_t>(std::strtoul(std::string(f[4]).c_str(), nullptr, 10));
            return Apply(op, hive, key, name, &value);
        }
    }
    return err::kInvalidData;
}

uint32_t JournalRegistry::Apply(Op op, Hive hive, std::u16string_view key, std::u16string_view name,
                                const RegValue* value) {
    switch (op) {
        case Op::Set:
            return memory_.SetValue(hive, key, name, *value);
        case Op::DeleteValue:
            return memory_.DeleteValue(hive, key, name);
        case Op::CreateKey:
            return memory_.CreateKey(hive, key);
        case Op::DeleteKey:
            return memory_.DeleteKey(hive, key);
        case Op::DeleteTree:
            return memory_.DeleteTree(hive, key);
    }
    return err::kInvalidParameter;
}

uint32_t JournalRegistry::Change(Op op, Hive hive, std::u16string_view key, std::u16string_view name,
                                 const RegValue* value, RegView view) {
    const std::u16string resolved = sim::ResolveViewPath(hive, key, view);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!LockCurrent()) return Apply(op, hive, resolved, name, value);  // no file: memory only
    const uint32_t result = Apply(op, hive, resolved, name, value);
    if (result == err::kSuccess) {
        std::string line;
        switch (op) {
            case Op::Set:
                line = SetLine(hive, resolved, name, *value);
                break;
            case Op::DeleteValue:
                line = ValueLine('D', hive, resolved, name);
                break;
            default:
                line = KeyLine(static_cast<char>(op), hive, resolved);
                break;
        }
        line = Record(std::move(line));
        struct stat st {};
        // A line left incomplete by a writer that died is closed off (and skipped by every reader).
        if (::fstat(fd_, &st) == 0 && static_cast<uint64_t>(st.st_size) > offset_) line.insert(0, "\n");
        if (offset_ == 0 && st.st_size == 0) line.insert(0, std::string(kHeader) + "\n");
        if (WriteAll(fd_, line)) {
            offset_ = static_cast<uint64_t>(st.st_size) + line.size();
            // Past twice the last snapshot at least: a snapshot over the
            // threshold would otherwise be written anew at every change.
            if (offset_ > std::max(threshold_, 2 * snapshotBytes_)) CompactLocked();
        } else {
            ::flock(fd_, LOCK_UN);
            Reopen();  // back to what the file holds
            return err::kWriteFault;
        }
    }
    ::flock(fd_, LOCK_UN);
    return result;
}

bool JournalRegistry::CompactLocked() {
    std::string body;
    for (const sim::RegistryKeyDump& key : memory_.Dump()) {
        if (!key.path.empty()) body += Record(KeyLine('K', key.hive, key.path));
        for (const RegEntry& entry : key.values) body += Record(SetLine(key.hive, key.path, entry.name, entry.value));
    }
    const size_t headerBytes = kHeader.size() + kSnapshotMark.size() + kSnapshotDigits + 1;
    char digits[kSnapshotDigits + 1];
    std::snprintf(digits, sizeof digits, "%012llu", static_cast<unsigned long long>(headerBytes + body.size()));
    std::string snapshot(kHeader);
    snapshot += kSnapshotMark;
    snapshot += digits;
    snapshot.push_back('\n');
    snapshot += body;
    const std::string temp = path_ + ".compact." + std::to_string(::getpid());
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return false;
    const bool written = WriteAll(out, snapshot) && ::fsync(out) == 0;
    ::close(out);
    if (!written || ::rename(temp.c_str(), path_.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Continue on the new file; the old one's lock goes with its descriptor.
    const int fresh = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (fresh < 0) return false;
    struct stat st {};
    ::fstat(fresh, &st);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = fresh;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    offset_ = snapshot.size();
    snapshotBytes_ = snapshot.size();
    return true;
}

bool JournalRegistry::Compact() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!LockCurrent()) return false;
    const bool done = CompactLocked();
    ::flock(fd_, LOCK_UN);
    return done;
}

void JournalRegistry::SetCompactThreshold(uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    threshold_ = bytes;
}

uint64_t JournalRegistry::JournalBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return offset_;
}

uint32_t JournalRegistry::QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                                     RegView view) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return memory_.QueryValue(hive, key, name, out, view);
}

uint32_t JournalRegistry::SetValue(Hive hive, std::u16string_view key, std::u16string_view name,
                                   const RegValue& value, RegView view) {
    return Change(Op::Set, hive, key, name, &value, view);
}

uint32_t JournalRegistry::DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name, RegView view) {
    return Change(Op::DeleteValue, hive, key, name, nullptr, view);
}

uint32_t JournalRegistry::CreateKey(Hive hive, std::u16string_view key, RegView view) {
    return Change(Op::CreateKey, hive, key, {}, nullptr, view);
}

uint32_t JournalRegistry::OpenKey(Hive hive, std::u16string_view key, RegView view) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return memory_.OpenKey(hive, key, view);
}

uint32_t JournalRegistry::DeleteKey(Hive hive, std::u16string_view key, RegView view) {
    return Change(Op::DeleteKey, hive, key, {}, nullptr, view);
}

uint32_t JournalRegistry::DeleteTree(Hive hive, std::u16string_view key, RegView view) {
    return Change(Op::DeleteTree, hive, key, {}, nullptr, view);
}

uint32_t JournalRegistry::EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                                   RegView view) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return memory_.EnumKeys(hive, key, names, view);
}

uint32_t JournalRegistry::EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values,
                                     RegView view) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return memory_.EnumValues(hive, key, values, view);
}

}  // namespace quellora
