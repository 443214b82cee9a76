#include "platform/CodePage.h"

#include <cstdint>

#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace eit {

namespace {
struct CodePageRow {
    std::string_view name;
    std::string_view alias;  // another name users give it
    const char* iconvName;
    unsigned windowsCodePage;
};

constexpr CodePageRow kCodePages[] = {
    {"windows-1250", "cp1250", "WINDOWS-1250", 1250},
    {"windows-1251", "cp1251", "WINDOWS-1251", 1251},
    {"windows-1252", "cp1252", "WINDOWS-1252", 1252},
    {"windows-1253", "cp1253", "WINDOWS-1253", 1253},
    {"windows-1254", "cp1254", "WINDOWS-1254", 1254},
    {"windows-1255", "cp1255", "WINDOWS-1255", 1255},
    {"windows-1256", "cp1256", "WINDOWS-1256", 1256},
    {"windows-1257", "cp1257", "WINDOWS-1257", 1257},
    {"windows-1258", "cp1258", "WINDOWS-1258", 1258},
    {"cp437", "ibm437", "CP437", 437},
    {"cp850", "ibm850", "CP850", 850},
    {"cp852", "ibm852", "CP852", 852},
    {"cp866", "ibm866", "CP866", 866},
    {"iso-8859-1", "iso8859-1", "ISO-8859-1", 28591},
    {"iso-8859-2", "iso8859-2", "ISO-8859-2", 28592},
    {"iso-8859-3", "iso8859-3", "ISO-8859-3", 28593},
    {"iso-8859-4", "iso8859-4", "ISO-8859-4", 28594},
    {"iso-8859-5", "iso8859-5", "ISO-8859-5", 28595},
    {"iso-8859-6", "iso8859-6", "ISO-8859-6", 28596},
    {"iso-8859-7", "iso8859-7", "ISO-8859-7", 28597},
    {"iso-8859-8", "iso8859-8", "ISO-8859-8", 28598},
    {"iso-8859-9", "iso8859-9", "ISO-8859-9", 28599},
    {"iso-8859-10", "iso8859-10", "ISO-8859-10", 28600},
    {"iso-8859-11", "iso8859-11", "ISO-8859-11", 28601},
    {"iso-8859-13", "iso8859-13", "ISO-8859-13", 28603},
    {"iso-8859-14", "iso8859-14", "ISO-8859-14", 28604},
    {"iso-8859-15", "iso8859-15", "ISO-8859-15", 28605},
    {"iso-8859-16", "iso8859-16", "ISO-8859-16", 28606},
    {"koi8-r", "koi8r", "KOI8-R", 20866},
    {"koi8-u", "koi8u", "KOI8-U", 21866},
};

const CodePageRow& RowOf(std::string_view name)
{
    const std::string lower = LowerAscii(name);
    for (const CodePageRow& row : kCodePages) {
        if (lower == row.name || lower == row.alias) return row;
    }
    std::string known;
    for (const CodePageRow& row : kCodePages) known += (known.empty() ? "" : ", ") + std::string(row.name);
    throw ToolError("Unknown code page " + QuotedClipped(name) + "; the known ones are " + known +
                    " (case does not count; cp1250 is windows-1250)");
}

// Stand-ins, not letters: see CodePageCharacters.
bool IsStandIn(char32_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD; }

ToolError NotOnThisSystem(const CodePageRow& row)
{
    return ToolError("This system cannot convert code page " + std::string(row.name) + "; pick another one");
}

#ifdef _WIN32
bool SystemProvides(const CodePageRow& row) { return IsValidCodePage(row.windowsCodePage) != 0; }

CodePageTable SystemCharacters(const CodePageRow& row)
{
    const UINT codePage = row.windowsCodePage;
    if (!SystemProvides(row)) throw NotOnThisSystem(row);
    CodePageTable table;
    for (unsigned b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t wide[4];
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, wide, 4) != 1) continue;
        if (wide[0] >= 0xD800 && wide[0] <= 0xDFFF) continue;
        table[b] = static_cast<char32_t>(wide[0]);
    }
    return table;
}
#else
iconv_t OpenConverter(const CodePageRow& row) { return iconv_open("UTF-32LE", row.iconvName); }
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool SystemProvides(const CodePageRow& row)
{
    iconv_t converter = OpenConverter(row);
    if (converter == kNoConverter) return false;
    iconv_close(converter);
    return true;
}

CodePageTable SystemCharacters(const CodePageRow& row)
{
    iconv_t converter = OpenConverter(row);
    if (converter == kNoConverter) throw NotOnThisSystem(row);
    CodePageTable table;
    for (unsigned b = 0; b < 256; ++b) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);  // a fresh state for every byte
        char byte = static_cast<char>(b);
        char* in = &byte;
        std::size_t inLeft = 1;
        unsigned char out[16];
        char* outAt = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        const bool converted = iconv(converter, &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1);
        // A stateful converter (windows-1258 composes letters) gives its character at the flush.
        iconv(converter, nullptr, nullptr, &outAt, &outLeft);
        if (!converted || sizeof out - outLeft != 4) continue;
        table[b] = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t{out[3]} << 24);
    }
    iconv_close(converter);
    return table;
}
#endif
}  // namespace

std::vector<std::string> CodePageNames()
{
    std::vector<std::string> names;
    for (const CodePageRow& row : kCodePages) {
        if (SystemProvides(row)) names.emplace_back(row.name);
    }
    return names;
}

std::string CodePageName(std::string_view name) { return std::string(RowOf(name).name); }

CodePageTable CodePageCharacters(std::string_view name)
{
    CodePageTable table = SystemCharacters(RowOf(name));
    for (std::optional<char32_t>& c : table) {
        if (c && IsStandIn(*c)) c.reset();
    }
    return table;
}

}  // namespace eit
