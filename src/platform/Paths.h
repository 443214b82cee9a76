#pragma once
#include <string>
#include <string_view>

namespace eit {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The file name of a host path: the text after its last separator (on
// Windows also after "\", "/" and ":"); the whole path when it has none.
std::string_view FileNameOf(std::string_view path);
// The file name of a name stored inside a data file: the text after its last
// "\", ":" or "/" on every platform, so it can never reach outside a folder.
std::string_view StoredFileName(std::string_view name);
// The text from the last "." on, the dot included; empty when there is none.
std::string_view ExtensionOf(std::string_view fileName);
// The file name with its extension replaced by `extension` (or appended).
std::string ReplaceExtension(std::string_view fileName, std::string_view extension);
// Plain concatenation with the platform's separator: a root that keeps its
// trailing separator gives two in a row, which the file system accepts.
std::string JoinPath(std::string_view folder, std::string_view name);
// Whether a host path is relative to the current folder (on Windows: has
// neither a drive nor a leading separator).
bool IsRelativePath(std::string_view path);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace eit
