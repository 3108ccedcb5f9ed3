// Path arithmetic over the platform's separators (PathSeparator and
// IsPathSeparator come with each target's files).
#include "platform/files.h"

namespace quellora {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string out(folder);
    if (!out.empty() && !IsPathSeparator(out.back())) out.push_back(PathSeparator());
    out.append(name);
    return out;
}

std::u16string FileNamePart(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1])) return std::u16string(path.substr(i));
    }
    return std::u16string(path);
}

std::u16string FolderPart(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1])) return std::u16string(path.substr(0, i - 1));
    }
    return {};
}

}  // namespace quellora
