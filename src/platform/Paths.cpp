#include "platform/Paths.h"

#include <filesystem>

namespace eit {

namespace {
std::string_view AfterLastOf(std::string_view text, std::string_view separators)
{
    std::size_t cut = text.find_last_of(separators);
    return cut == std::string_view::npos ? text : text.substr(cut + 1);
}

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string_view FileNameOf(std::string_view path)
{
#ifdef _WIN32
    return AfterLastOf(path, "\\/:");
#else
    return AfterLastOf(path, "/");
#endif
}

std::string_view StoredFileName(std::string_view name) { return AfterLastOf(name, "\\:/"); }

std::string_view ExtensionOf(std::string_view fileName)
{
    std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

std::string ReplaceExtension(std::string_view fileName, std::string_view extension)
{
    std::size_t dot = fileName.rfind('.');
    return std::string(fileName.substr(0, dot)) + std::string(extension);
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    path += kPathSeparator;
    path += name;
    return path;
}

std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

std::string LowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = LowerChar(c);
    return result;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    }
    return true;
}

bool IsRelativePath(std::string_view path)
{
    const std::filesystem::path host{std::string(path)};
    return !host.has_root_name() && !host.has_root_directory();
}

}  // namespace eit
