#pragma once
// Makes CIF text files for tests. The scrambling here is its own: the key of
// byte i in closed form, not the running key of the code under test.
#include <cstdio>
#include <string>
#include <vector>

#include "support/Files.h"

namespace eit::test {

// key(i) = 0x9B + 0x5E*i + 0x1D*(0 + 1 + ... + (i-1)), modulo 256.
inline std::uint8_t CifKeyAt(std::uint64_t i)
{
    return static_cast<std::uint8_t>(0x9B + 0x5E * i + 0x1D * (i * (i - 1) / 2));
}

inline Bytes ScrambleCif(Bytes block)
{
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(block[i]) ^ CifKeyAt(i)) + 1);
    }
    return block;
}

// The pieces of a CIF text file, its two blocks in plain form.
struct CifParts {
    Bytes header = "CIF-TEXT-HEADER!";  // 16 bytes, never interpreted
    std::vector<std::uint32_t> offsets;
    Bytes tableTail;            // 0 to 3 bytes after the last entry
    Bytes filler = "FILLER";    // 6 bytes
    Bytes text;                 // the plain text block
    Bytes after;                // bytes after the text block
};

inline const Bytes kRewrittenFiller("\x01\x00\x0A\x00\x00\x00", 6);

inline Bytes BuildCif(const CifParts& parts)
{
    Bytes table;
    for (std::uint32_t offset : parts.offsets) PutU32(table, offset);
    table += parts.tableTail;
    Bytes file = parts.header;
    PutU32(file, static_cast<std::uint32_t>(table.size()));
    file += ScrambleCif(table) + parts.filler;
    PutU32(file, static_cast<std::uint32_t>(parts.text.size()));
    return file + ScrambleCif(parts.text) + parts.after;
}

// Records back to back in entry order: leads[i] (when leads is given), the
// text and a zero byte.
inline CifParts CifOfTexts(const std::vector<Bytes>& texts, const Bytes& leads = "")
{
    CifParts parts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        parts.offsets.push_back(static_cast<std::uint32_t>(parts.text.size()));
        if (!leads.empty()) parts.text += leads.at(i);
        parts.text += texts[i];
        parts.text += '\0';
    }
    return parts;
}

// The file as insertion rewrites it: header and table tail kept, records in
// entry order, the fixed filler and nothing after the text block.
inline Bytes RewrittenCif(const CifParts& original, const std::vector<Bytes>& texts, const Bytes& leads = "")
{
    CifParts parts = CifOfTexts(texts, leads);
    parts.header = original.header;
    parts.tableTail = original.tableTail;
    parts.filler = kRewrittenFiller;
    return BuildCif(parts);
}

// The .txt layout of these texts: header line, text, end marker, empty line.
inline Bytes TxtOf(const std::vector<Bytes>& texts)
{
    Bytes txt;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        char header[24];
        std::snprintf(header, sizeof header, "[%08zX]", i);
        txt += header + ("\r\n" + texts[i]) + "\r\n[########]\r\n\r\n";
    }
    return txt;
}

}  // namespace eit::test
