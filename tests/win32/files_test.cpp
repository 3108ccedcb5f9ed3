// Files and folders on Windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

using wintest::FileBytes;
using wintest::ScratchFolder;

std::vector<std::u16string> Names(std::u16string_view folder) {
    std::vector<FileInfo> entries;
    EXPECT_TRUE(ListDirectory(folder, entries));
    std::vector<std::u16string> names;
    for (auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

struct FailWritesReset {
    ~FailWritesReset() { quellora::testing::FailWritesAfter(-1); }
};

TEST(Win32Files, PathPartsAcceptBothSeparators) {
    struct Case {
        std::u16string_view path, folder, name;
    } cases[] = {
        {u"C:\\a\\b.txt", u"C:\\a", u"b.txt"},
        {u"C:/a/b.txt", u"C:/a", u"b.txt"},
        {u"C:\\a/b\\c", u"C:\\a/b", u"c"},
        {u"name.json", u"", u"name.json"},
        {u"C:\\a\\", u"C:\\a", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.path));
        EXPECT_EQ(FolderPart(c.path), c.folder);
        EXPECT_EQ(FileNamePart(c.path), c.name);
    }
    EXPECT_EQ(PathSeparator(), u'\\');
    EXPECT_EQ(JoinPath(u"C:\\a", u"b"), u"C:\\a\\b");
    EXPECT_EQ(JoinPath(u"C:\\a\\", u"b"), u"C:\\a\\b");
    EXPECT_EQ(JoinPath(u"C:/a/", u"b"), u"C:/a/b");
}

TEST(Win32Files, AtomicWriteReplacesTheWholeFile) {
    ScratchFolder dir;
    std::u16string target = dir / u"settings \u00e4.json";
    ASSERT_TRUE(WriteFileAtomic(target, "first version, rather long"));
    ASSERT_TRUE(WriteFileAtomic(target, std::string("second\0binary", 13)));
    EXPECT_EQ(FileBytes(target), std::string("second\0binary", 13));
    ASSERT_TRUE(WriteFileAtomic(target, ""));
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(FileBytes(target), "");
    EXPECT_EQ(Names(dir.path()), std::vector<std::u16string>{u"settings \u00e4.json"});
}

TEST(Win32Files, AFailedAtomicWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    ScratchFolder dir;
    std::u16string target = dir / u"profile.json";
    ASSERT_TRUE(WriteFileAtomic(target, "old contents"));
    {
        FailWritesReset reset;
        quellora::testing::FailWritesAfter(3);
        EXPECT_FALSE(WriteFileAtomic(target, "new contents that do not fit"));
        // A write within the limit still goes through.
        EXPECT_TRUE(WriteFileAtomic(dir / u"small", "ab"));
    }
    EXPECT_EQ(FileBytes(target), "old contents");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::u16string>{u"profile.json", u"small"}));
    // After the reset writes succeed again.
    EXPECT_TRUE(WriteFileAtomic(target, "new contents that do not fit"));
    EXPECT_EQ(FileBytes(target), "new contents that do not fit");
}

TEST(Win32Files, AnAtomicWriteOverAFileHeldOpenFailsCleanly) {
    ScratchFolder dir;
    std::u16string target = dir / u"locked.json";
    ASSERT_TRUE(WriteFileAtomic(target, "old"));
    std::wstring native = win32::Wide(target);
    // Another program reads the file without letting it be replaced.
    HANDLE holder = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFileAtomic(target, "new"));
    CloseHandle(holder);
    EXPECT_EQ(FileBytes(target), "old");
    EXPECT_EQ(Names(dir.path()), std::vector<std::u16string>{u"locked.json"});
}

TEST(Win32Files, CreatingANewFileNeverReplacesOne) {
    ScratchFolder dir;
    std::u16string target = dir / u"new \u00e4.json";
    EXPECT_EQ(CreateFileAtomic(target, "first"), CreateResult::Created);
    EXPECT_EQ(CreateFileAtomic(target, "second"), CreateResult::Exists);
    EXPECT_EQ(FileBytes(target), "first");
    {
        FailWritesReset reset;
        quellora::testing::FailWritesAfter(2);
        EXPECT_EQ(CreateFileAtomic(dir / u"half.json", "does not fit"), CreateResult::Failed);
    }
    EXPECT_EQ(CreateFileAtomic(dir / u"missing\\file.json", "x"), CreateResult::Failed);
    EXPECT_EQ(Names(dir.path()), std::vector<std::u16string>{u"new \u00e4.json"});
}

TEST(Win32Files, AtomicWriteIntoAMissingFolderFails) {
    ScratchFolder dir;
    EXPECT_FALSE(WriteFileAtomic(dir / u"missing\\file.json", "x"));
    EXPECT_FALSE(DirectoryExists(dir / u"missing"));
}

TEST(Win32Files, ReadWholeFileHonoursTheLimit) {
    ScratchFolder dir;
    std::u16string file = dir / u"ten.bin";
    ASSERT_TRUE(WriteFileAtomic(file, "0123456789"));
    std::string bytes = "unchanged";
    EXPECT_FALSE(ReadWholeFile(file, 9, bytes));
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_TRUE(ReadWholeFile(file, 10, bytes));
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_FALSE(ReadWholeFile(dir / u"missing.bin", 100, bytes));
    EXPECT_FALSE(ReadWholeFile(dir.path(), 100, bytes));  // a folder
}

TEST(Win32Files, ReadingAFileThatAnotherProgramWritesIsAllowed) {
    ScratchFolder dir;
    std::u16string file = dir / u"drift.log";
    ASSERT_TRUE(AppendToFile(file, "line 1\r\n"));
    std::wstring native = win32::Wide(file);
    HANDLE writer = CreateFileW(native.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(file, 100, bytes));
    EXPECT_TRUE(AppendToFile(file, "line 2\r\n"));
    CloseHandle(writer);
    EXPECT_EQ(FileBytes(file), "line 1\r\nline 2\r\n");
}

TEST(Win32Files, AppendWritesTheHeaderOnlyIntoAnEmptyFile) {
    ScratchFolder dir;
    std::u16string file = dir / u"dynboost.log";
    const std::string bom = "\xFF\xFE";
    ASSERT_TRUE(AppendToFile(file, std::string("a\0", 2), bom));
    ASSERT_TRUE(AppendToFile(file, std::string("b\0", 2), bom));
    ASSERT_TRUE(AppendToFile(file, std::string("c\0", 2)));
    EXPECT_EQ(FileBytes(file), bom + std::string("a\0b\0c\0", 6));
}

TEST(Win32Files, ListingGivesNamesKindsAndSizes) {
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileAtomic(dir / u"a.json", "12345"));
    ASSERT_TRUE(WriteFileAtomic(dir / u"\u00fcber.json", ""));
    ASSERT_TRUE(CreateDirectories(dir / u"sub"));
    std::vector<FileInfo> entries;
    ASSERT_TRUE(ListDirectory(dir.path(), entries));
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, u"a.json");
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_NE(entries[0].lastWriteTime, 0u);
    EXPECT_EQ(entries[1].name, u"sub");
    EXPECT_TRUE(entries[1].isDirectory);
    EXPECT_EQ(entries[2].name, u"\u00fcber.json");
    EXPECT_EQ(entries[2].size, 0u);

    std::vector<FileInfo> empty;
    EXPECT_TRUE(ListDirectory(dir / u"sub", empty));
    EXPECT_TRUE(empty.empty());
    EXPECT_FALSE(ListDirectory(dir / u"missing", empty));

    FileInfo info;
    ASSERT_TRUE(GetFileInfo(dir / u"a.json", info));
    EXPECT_EQ(info.name, u"a.json");
    EXPECT_EQ(info.size, 5u);
    EXPECT_FALSE(info.isDirectory);
    ASSERT_TRUE(GetFileInfo(dir / u"sub", info));
    EXPECT_TRUE(info.isDirectory);
    EXPECT_FALSE(GetFileInfo(dir / u"missing", info));
}

TEST(Win32Files, ExistenceTellsFilesFromFolders) {
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileAtomic(dir / u"f", "x"));
    EXPECT_TRUE(FileExists(dir / u"f"));
    EXPECT_FALSE(DirectoryExists(dir / u"f"));
    EXPECT_TRUE(DirectoryExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir / u"missing"));
    EXPECT_FALSE(FileExists(u""));
}

TEST(Win32Files, CreateDirectoriesMakesEveryParent) {
    ScratchFolder dir;
    EXPECT_TRUE(CreateDirectories(dir / u"a/b\\c d\\\u00e9"));
    EXPECT_TRUE(DirectoryExists(dir / u"a\\b\\c d\\\u00e9"));
    EXPECT_TRUE(CreateDirectories(dir / u"a\\b"));  // already there
    ASSERT_TRUE(WriteFileAtomic(dir / u"file", "x"));
    EXPECT_FALSE(CreateDirectories(dir / u"file\\sub"));  // a file stands in the way
}

TEST(Win32Files, DeleteTreeRemovesEverythingEvenReadOnlyFiles) {
    ScratchFolder dir;
    std::u16string root = dir / u"tree";
    ASSERT_TRUE(CreateDirectories(root + u"\\one\\two"));
    ASSERT_TRUE(WriteFileAtomic(root + u"\\top.txt", "x"));
    ASSERT_TRUE(WriteFileAtomic(root + u"\\one\\two\\deep.txt", "y"));
    std::u16string readOnly = root + u"\\one\\locked.txt";
    ASSERT_TRUE(WriteFileAtomic(readOnly, "z"));
    std::wstring native = win32::Wide(readOnly);
    ASSERT_TRUE(SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFileAt(readOnly));

    EXPECT_TRUE(DeleteTree(root));
    EXPECT_FALSE(DirectoryExists(root));
    EXPECT_FALSE(DeleteTree(root));
    ASSERT_TRUE(WriteFileAtomic(dir / u"plain", "x"));
    EXPECT_FALSE(DeleteTree(dir / u"plain"));  // not a folder
    EXPECT_TRUE(FileExists(dir / u"plain"));
}

TEST(Win32Files, DeleteFileAndRemoveEmptyDirectory) {
    ScratchFolder dir;
    ASSERT_TRUE(CreateDirectories(dir / u"d"));
    ASSERT_TRUE(WriteFileAtomic(dir / u"d\\f", "x"));
    EXPECT_FALSE(RemoveEmptyDirectory(dir / u"d"));
    EXPECT_TRUE(DeleteFileAt(dir / u"d\\f"));
    EXPECT_FALSE(DeleteFileAt(dir / u"d\\f"));
    EXPECT_TRUE(RemoveEmptyDirectory(dir / u"d"));
    EXPECT_FALSE(DirectoryExists(dir / u"d"));
}

TEST(Win32Files, PathsLongerThanMaxPathWork) {
    ScratchFolder dir;
    std::u16string deep = dir.path();
    while (deep.size() < 400) deep += u"\\a-folder-name-of-some-length";
    ASSERT_TRUE(CreateDirectories(deep));
    std::u16string file = deep + u"\\profile.json";
    ASSERT_TRUE(WriteFileAtomic(file, "{}"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(FileBytes(file), "{}");
    ASSERT_TRUE(AppendToFile(file, "\n"));
    std::vector<FileInfo> entries;
    ASSERT_TRUE(ListDirectory(deep, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, 3u);
    EXPECT_TRUE(DeleteTree(dir / u"a-folder-name-of-some-length"));
    EXPECT_FALSE(DirectoryExists(deep));
}

}  // namespace
}  // namespace quellora
