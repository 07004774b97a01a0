// Paths as the core composes them: parts joined with '\' (the platform layer maps it
// to its own separator), either separator read, as a folder from Windows may hold both.
#pragma once

#include <string>
#include <string_view>

// "%s\%s" of a folder and a name.
inline std::string join_path(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    path += '\\';
    path += name;
    return path;
}

// The text after the last '/' or '\' (the whole path when it has neither).
inline std::string fileNamePart(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

// The text before the last '/' or '\'; "." when there is neither.
inline std::string folder_part(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? std::string(".") : std::string(path.substr(0, cut));
}

// True when two paths name one file as Windows names files: either separator, and
// letters without regard to case.
inline bool same_path_name(std::string_view a, std::string_view b)
{
    const auto folded = [](char c) { return c == '\\' ? '/' : c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i])) return false;
    return true;
}
