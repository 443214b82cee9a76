#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace eit {

// The characters of a single-byte code page by byte.
using CodePageTable = std::array<std::optional<char32_t>, 256>;

// The code pages known by name: windows-1250 to windows-1258, cp437, cp850,
// cp852, cp866, iso-8859-1 to iso-8859-16 (there is no 12), koi8-r and
// koi8-u. CodePageNames() gives those this system can convert (Windows lacks
// some iso-8859 ones), in the order a list offers them.
std::vector<std::string> CodePageNames();

// The name of a code page as CodePageNames() gives it, for a name as the user
// gives it: case does not count, and "cp1250" is "windows-1250", "ibm852" is
// "cp852", "iso8859-2" is "iso-8859-2". An unknown name raises a ToolError
// that names it and lists the known ones.
std::string CodePageName(std::string_view name);

// The characters of a single-byte code page by byte, from the system's own
// converters (iconv, or the Windows code-page functions), each of the 256
// bytes converted once; nothing where the code page maps a byte to nothing.
// A byte that the system maps to a C1 control (U+0080 to U+009F) or a
// private-use character maps to nothing as well: Windows gives those as
// stand-ins for bytes its code pages leave undefined, and no translator types
// them, so every system gives the same table.
CodePageTable CodePageCharacters(std::string_view name);

}  // namespace eit
