#pragma once
// Makes CIF fonts and ACT palettes for tests, and takes fonts apart again.
#include <optional>
#include <string>
#include <vector>

#include "support/Files.h"

namespace eit::test {

struct TestGlyph {
    std::uint32_t top = 0;
    std::uint32_t width = 0;
    std::vector<Bytes> rows;  // `width` palette indexes each, 0 empty
    std::uint32_t extra1 = 0;
    std::uint32_t extra2 = 0;
};

struct TestFont {
    std::vector<TestGlyph> glyphs;
    std::optional<std::uint32_t> glyphCount;  // default: the number of glyphs
    Bytes head = "CIFFONT-HEAD-v01";          // bytes 0 to 15
    Bytes middle = "middle-of-header";        // bytes 24 to 39
    std::uint32_t tableWord = 0x7A;           // block word of the glyph table
    Bytes pixelPrefix;                        // bytes ahead of the first coded row
    Bytes after;                              // bytes after the row table
};

// The parts of a font file, for checks and for damaging fonts on purpose.
struct FontParts {
    Bytes fixed;  // the first 44 bytes
    Bytes table;
    std::uint32_t pixelWord = 10;
    Bytes pixels;
    std::uint32_t rowWord = 10;
    Bytes rows;
    Bytes after;
};

struct RecordWords {
    std::uint32_t mark, extra1, top, width, height, firstRow, extra2;
    bool operator==(const RecordWords&) const = default;
};

inline RecordWords RecordOf(const Bytes& table, std::size_t i)
{
    std::size_t at = i * 28;
    return {GetU32(table, at),      GetU32(table, at + 4),  GetU32(table, at + 8), GetU32(table, at + 12),
            GetU32(table, at + 16), GetU32(table, at + 20), GetU32(table, at + 24)};
}

inline void SetU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes.at(at + static_cast<std::size_t>(i)) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline Bytes AssembleFont(const FontParts& parts)
{
    Bytes font = parts.fixed;
    PutU32(font, static_cast<std::uint32_t>(parts.table.size()));
    font += parts.table;
    PutU32(font, parts.pixelWord);
    PutU32(font, static_cast<std::uint32_t>(parts.pixels.size()));
    font += parts.pixels;
    PutU32(font, parts.rowWord);
    PutU32(font, static_cast<std::uint32_t>(parts.rows.size()));
    return font + parts.rows + parts.after;
}

inline FontParts SplitFont(const Bytes& font)
{
    FontParts parts;
    parts.fixed = font.substr(0, 44);
    std::size_t at = 44;
    auto block = [&](Bytes& content) {
        std::uint32_t size = GetU32(font, at);
        content = font.substr(at + 4, size);
        at += 4 + size;
    };
    block(parts.table);
    parts.pixelWord = GetU32(font, at);
    at += 4;
    block(parts.pixels);
    parts.rowWord = GetU32(font, at);
    at += 4;
    block(parts.rows);
    parts.after = font.substr(at);
    return parts;
}

// Every row is coded plainly: lead 0, literal runs over the whole width
// (empty pixels included) and the end code.
inline Bytes MakeFont(const TestFont& font)
{
    FontParts parts;
    parts.fixed = font.head.substr(0, 16);
    parts.fixed.resize(16, '\0');
    PutU32(parts.fixed, font.glyphCount.value_or(static_cast<std::uint32_t>(font.glyphs.size())));
    PutU32(parts.fixed, 0);  // pixelDataSize, set below
    parts.fixed += (font.middle + Bytes(16, '\0')).substr(0, 16);
    PutU32(parts.fixed, font.tableWord);
    parts.pixels = font.pixelPrefix;
    std::uint32_t entries = 0;
    for (const TestGlyph& glyph : font.glyphs) {
        for (std::uint32_t word : {0u, glyph.extra1, glyph.top, glyph.width, static_cast<std::uint32_t>(glyph.rows.size()),
                                   entries, glyph.extra2}) {
            PutU32(parts.table, word);
        }
        for (const Bytes& row : glyph.rows) {
            PutU32(parts.rows, static_cast<std::uint32_t>(parts.pixels.size()));
            for (std::size_t x = 0; x < row.size(); x += 127) {
                Bytes run = row.substr(x, 127);
                parts.pixels += static_cast<char>(run.size());
                parts.pixels += run;
            }
            parts.pixels += '\0';
            ++entries;
        }
    }
    SetU32(parts.fixed, 20, static_cast<std::uint32_t>(parts.pixels.size()));
    parts.after = font.after;
    return AssembleFont(parts);
}

inline Bytes MakeFont(const std::vector<TestGlyph>& glyphs)
{
    TestFont font;
    font.glyphs = glyphs;
    return MakeFont(font);
}

// A glyph of the given size whose pixels follow from `seed`, with empty
// pixels among them.
inline TestGlyph PatternGlyph(std::uint32_t seed, std::uint32_t width, std::uint32_t height, std::uint32_t top)
{
    TestGlyph glyph;
    glyph.top = top;
    glyph.width = width;
    glyph.extra1 = 0xE1000000u + seed;
    glyph.extra2 = 0xE2000000u + seed;
    for (std::uint32_t y = 0; y < height; ++y) {
        Bytes row;
        for (std::uint32_t x = 0; x < width; ++x) {
            bool empty = (x * 7 + y * 13 + seed * 5) % 4 == 0;
            row += static_cast<char>(empty ? 0 : 1 + (x * 3 + y * 5 + seed) % 200);
        }
        glyph.rows.push_back(row);
    }
    return glyph;
}

// A palette whose only exact black is entry 0, with white at 15 and silver
// at 7; every other entry has blue 128, so no other entry is black, white
// or silver.
inline Bytes TestPalette()
{
    Bytes act;
    for (int i = 0; i < 256; ++i) {
        act += static_cast<char>(i);
        act += static_cast<char>((i * 37) & 0xFF);
        act += static_cast<char>(128);
    }
    act.replace(0, 3, Bytes(3, '\0'));
    act.replace(7 * 3, 3, Bytes(3, static_cast<char>(192)));
    act.replace(15 * 3, 3, Bytes(3, static_cast<char>(255)));
    return act;
}
inline constexpr std::uint8_t kTestBlack = 0;
inline constexpr std::uint8_t kTestSilver = 7;
inline constexpr std::uint8_t kTestWhite = 15;

// Fonts for drawing letters into their sheets: solid blocks standing on a
// baseline 18 rows below each strip's top, most of them in entry 42.
inline constexpr std::uint8_t kBlockInk = 42;
inline constexpr std::uint8_t kOtherBlockInk = 43;
inline constexpr std::uint32_t kBlockBaseline = 18;

inline TestGlyph Block(std::uint32_t top, std::uint32_t width, std::uint32_t height, std::uint8_t ink = kBlockInk)
{
    TestGlyph glyph;
    glyph.top = top;
    glyph.width = width;
    glyph.rows.assign(height, Bytes(width, static_cast<char>(ink)));
    return glyph;
}

// Glyph 48, the digit zero, is `digitHeight` rows tall; glyph 65 places the
// guide on the baseline (when there are 66 glyphs or more); glyph 1 makes the
// strips 29 rows tall, room for accents and descenders.
inline Bytes DigitFont(std::uint32_t digitHeight, std::uint32_t count = 224)
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < count; ++i) {
        glyphs.push_back(Block(kBlockBaseline - 7, 5, 7, i % 3 ? kBlockInk : kOtherBlockInk));
    }
    glyphs[1] = Block(0, 3, 28);
    glyphs[48] = Block(kBlockBaseline - digitHeight, 6, digitHeight);
    if (count > 65) glyphs[65] = Block(kBlockBaseline - 12, 6, 12);
    return MakeFont(glyphs);
}

// A game's font in bold strokes with a shading: byte b shows glyph b - 32,
// and only ASCII (bytes 20 to 7E) has glyphs, of 224. Each is a box of
// 2-pixel strokes in kBlockInk, `width` wide, standing on the baseline, with
// kShadeInk on the right of every stroke; the space has a width and no ink,
// "!" (glyph 1) spans the strip and "0" (glyph 16) is 10 rows tall.
inline constexpr std::uint8_t kShadeInk = 44;
inline TestGlyph ShadedBox(std::uint32_t width, std::uint32_t height, std::uint32_t top)
{
    TestGlyph glyph;
    glyph.top = top;
    glyph.width = width + 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        Bytes row(width + 1, '\0');
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool stroke = y < 2 || y + 2 >= height || x < 2 || x + 2 >= width;
            if (stroke) row[x] = static_cast<char>(kBlockInk);
        }
        for (std::uint32_t x = 1; x <= width; ++x) {
            if (row[x] == 0 && row[x - 1] == static_cast<char>(kBlockInk)) row[x] = static_cast<char>(kShadeInk);
        }
        glyph.rows.push_back(row);
    }
    return glyph;
}

inline Bytes AsciiFont()
{
    std::vector<TestGlyph> glyphs(224);
    for (std::uint32_t g = 0; g < 95; ++g) glyphs[g] = ShadedBox(5 + g % 4, 9, kBlockBaseline - 9);
    glyphs[0] = TestGlyph{0, 4, {}};
    glyphs[1] = ShadedBox(3, 28, 0);
    glyphs[16] = ShadedBox(6, 10, kBlockBaseline - 10);
    return MakeFont(glyphs);
}

}  // namespace eit::test
