// A folder of its own for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace quellora::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::u16string path16() const;

private:
    std::string path_;
};

// A file's bytes, or empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace quellora::testing
