#include "relative_path.h"

#include <algorithm>
#include <vector>

namespace {

bool IsSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// The names between separators; an absolute Posix path starts with an empty
// name (the root), a Windows path with its drive ("C:").
std::vector<std::string_view> SplitPath(std::string_view path, PathStyle style) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i], style)) {
            if (i > start || parts.empty())
                parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b, PathStyle style) {
    if (style == PathStyle::Posix)
        return a == b;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

}  // namespace

PathStyle NativePathStyle() {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

std::string RelativeDisplayPath(std::string_view path, std::string_view folder, PathStyle style) {
    const std::vector<std::string_view> target = SplitPath(path, style);
    const std::vector<std::string_view> base = SplitPath(folder, style);
    if (target.size() < 2 || base.empty() || !SameName(target[0], base[0], style))
        return std::string(path);  // another drive, or not a full path

    // The picture's file name is never a shared folder.
    size_t shared = 1;
    while (shared < base.size() && shared < target.size() - 1 &&
           SameName(base[shared], target[shared], style))
        ++shared;

    const char separator = style == PathStyle::Windows ? '\\' : '/';
    std::string relative;
    for (size_t i = shared; i < base.size(); ++i)
        relative += std::string("..") + separator;
    for (size_t i = shared; i < target.size(); ++i) {
        relative += target[i];
        if (i + 1 < target.size())
            relative += separator;
    }
    return relative;
}
