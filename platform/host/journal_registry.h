// The simulated machine's registry on the host, kept in one file shared by
// every process of the machine. Each change is appended to the file as one
// line under an exclusive advisory lock (flock), so it is on disk at once and
// other processes see it: before every call the file is looked at (one stat),
// lines added since are applied, and a file replaced by another process is
// read again whole. Past a few megabytes (4 MiB, or twice the size of the
// last snapshot when that is more) the journal is rewritten as a snapshot
// (temporary file, then rename); the snapshot's first line records its size.
//
// Line format (UTF-8, fields separated by tabs, "%", tab, CR and LF in names
// written as %25, %09, %0D, %0A, unpaired surrogates as %uXXXX; the last
// field "." marks a whole line, so one cut short by a writer that died is
// skipped):
//   S <hive> <key> <name> <type> <hex data> .   set a value
//   D <hive> <key> <name> .                     delete a value
//   K <hive> <key> .                            create a key
//   X <hive> <key> .                            delete a key without subkeys
//   T <hive> <key> .                            delete a key tree
// Hives are HKLM, HKCU and HKCR; key paths are already resolved for their view.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/sim/memory_registry.h"

namespace quellora {

class JournalRegistry : public Registry {
public:
    static constexpr uint64_t kDefaultCompactBytes = 4u * 1024 * 1024;

    // Opens (or creates) the journal file (a file system path, UTF-8). When
    // it cannot be opened the registry still works, in memory only.
    explicit JournalRegistry(std::string path);
    ~JournalRegistry() override;
    JournalRegistry(const JournalRegistry&) = delete;
    JournalRegistry& operator=(const JournalRegistry&) = delete;

    bool IsOpen();

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

    // Rewrites the journal as a snapshot of the registry now.
    bool Compact();
    // The journal size past which a change compacts it, unless the last
    // snapshot was more than half of that.
    void SetCompactThreshold(uint64_t bytes);
    // The journal's size as last seen.
    uint64_t JournalBytes();

private:
    enum class Op : char { Set = 'S', DeleteValue = 'D', CreateKey = 'K', DeleteKey = 'X', DeleteTree = 'T' };

    void Sync();           // catches up with the file (mutex held)
    void Reopen();         // opens the file at its path and reads it whole (mutex held)
    void ReadNewLines();   // applies complete lines past offset_ (mutex held)
    uint32_t ApplyLine(std::string_view line);
    uint32_t Apply(Op op, Hive hive, std::u16string_view key, std::u16string_view name, const RegValue* value);
    uint32_t Change(Op op, Hive hive, std::u16string_view key, std::u16string_view name, const RegValue* value,
                    RegView view);
    bool LockCurrent();    // flock on the file now at the path (mutex held)
    bool CompactLocked();  // with the file lock held

    std::string path_;
    std::mutex mutex_;
    sim::MemoryRegistry memory_;
    int fd_ = -1;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    uint64_t offset_ = 0;  // bytes applied: up to the end of the last complete line
    uint64_t threshold_ = kDefaultCompactBytes;
    uint64_t snapshotBytes_ = 0;  // the last snapshot's size, from its first line
};

}  // namespace quellora
