// Files and folders. The program's files are the real file system's on every
// target; paths use the platform's own separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

// '\\' on Windows, '/' on the host.
char16_t PathSeparator();
bool IsPathSeparator(char16_t c);  // '\\' and '/' on Windows, '/' on the host
// folder + separator + name; the separator is not doubled.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);
// The part after the last separator (the whole path when it has none).
std::u16string FileNamePart(std::u16string_view path);
// The part before the last separator; empty when there is none.
std::u16string FolderPart(std::u16string_view path);

// The path of the file `name` in `folder` as the file system finds it without
// regard to letter case: on Windows the file system does that itself; on the
// host an existing file whose name differs only in case is taken.
std::u16string PathIgnoringCase(std::u16string_view folder, std::u16string_view name);

struct FileInfo {
    std::u16string name;  // without folder
    bool isDirectory = false;
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;  // FILETIME units (100 ns since 1601), 0 when unknown
};

// The whole file when it exists, can be read and holds at most `maxBytes` bytes.
bool ReadWholeFile(std::u16string_view path, uint64_t maxBytes, std::string& bytes);
bool GetFileInfo(std::u16string_view path, FileInfo& info);
bool FileExists(std::u16string_view path);       // a file, not a folder
bool DirectoryExists(std::u16string_view path);
// Creates the folder with every missing parent; true when it exists afterwards.
bool CreateDirectories(std::u16string_view path);
// The folder's entries except "." and ".."; false when it cannot be listed.
bool ListDirectory(std::u16string_view path, std::vector<FileInfo>& entries);
// True when the file was deleted.
bool DeleteFileAt(std::u16string_view path);
// Removes an empty folder.
bool RemoveEmptyDirectory(std::u16string_view path);
// Deletes a folder with everything in it (files, then subfolders the same way, then the folder).
bool DeleteTree(std::u16string_view path);

// Writes a whole file in one step: a temporary file in the same folder is
// written, flushed to disk and then moved over the target. On any failure the
// target is left as it was and no temporary file remains.
bool WriteFileAtomic(std::u16string_view path, std::string_view bytes);
// Creates a whole file that must be new, in one step: a temporary file in the
// same folder is written and flushed, then moved into place only when no file
// of that name exists; an existing file is never replaced, also when another
// process creates it at the same moment. On any failure no temporary file remains.
enum class CreateResult : uint8_t { Created, Exists, Failed };
CreateResult CreateFileAtomic(std::u16string_view path, std::string_view bytes);
// Appends to a file, creating it when missing (shared for reading and writing
// while open). `headerIfEmpty` is written first when the file is empty (a byte
// order mark, for instance).
bool AppendToFile(std::u16string_view path, std::string_view bytes, std::string_view headerIfEmpty = {});

namespace testing {
// Makes the next writes of WriteFileAtomic and CreateFileAtomic fail after `bytes` bytes, as a full
// disk or a killed process would; a negative value ends the failure.
void FailWritesAfter(int64_t bytes);
}  // namespace testing

}  // namespace quellora
