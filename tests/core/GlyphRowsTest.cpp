#include <gtest/gtest.h>

#include <random>

#include "formats/glyphs/DecodeGlyph.h"
#include "formats/glyphs/EncodeGlyph.h"

namespace eit {
namespace {

using Pixels = std::vector<std::uint8_t>;

struct CodedRow {
    std::uint32_t lead;
    Pixels codes;
};

// Codes a one-row image after `existing` bytes of pixel data.
CodedRow EncodeRow(const Pixels& row, std::size_t existing = 0)
{
    Pixels data(existing, 0xEE), table;
    EncodeGlyph(row, static_cast<std::uint32_t>(row.size()), 1, data, table);
    EXPECT_EQ(table.size(), 4u);
    std::uint32_t entry = table[0] | (table[1] << 8) | (table[2] << 16) | (static_cast<std::uint32_t>(table[3]) << 24);
    EXPECT_EQ(RowOffset(entry), existing) << "a row's offset is the pixel data's size before it";
    return {RowLead(entry), Pixels(data.begin() + static_cast<std::ptrdiff_t>(existing), data.end())};
}

Pixels Entry(std::uint32_t offset, std::uint32_t lead)
{
    std::uint32_t e = MakeRowEntry(offset, lead);
    return {static_cast<std::uint8_t>(e), static_cast<std::uint8_t>(e >> 8), static_cast<std::uint8_t>(e >> 16),
            static_cast<std::uint8_t>(e >> 24)};
}

Pixels InkRun(std::size_t n, std::uint8_t first)
{
    Pixels run(n);
    for (std::size_t i = 0; i < n; ++i) run[i] = static_cast<std::uint8_t>(first + i % 200);
    return run;
}

Pixels Concat(std::initializer_list<Pixels> parts)
{
    Pixels all;
    for (const Pixels& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(GlyphRows, TheDocumentedExampleCodesAndDecodes)
{
    const Pixels row = {0, 0, 5, 0, 0, 7, 0};
    const Pixels codes = {1, 5, 130, 1, 7, 0};
    CodedRow coded = EncodeRow(row);
    EXPECT_EQ(coded.lead, 2u);
    EXPECT_EQ(coded.codes, codes);
    EXPECT_EQ(DecodeGlyph(codes, Entry(0, 2), 0, 7, 1), row);
}

TEST(GlyphRows, SkipsAndLiteralRunsSplitAt127)
{
    struct Case {
        const char* name;
        Pixels row;
        Pixels codes;
    };
    const Pixels run127 = InkRun(127, 1), run130 = InkRun(130, 9);
    const std::vector<Case> cases = {
        {"skip of 127", Concat({{4}, Pixels(127, 0), {6}}), {1, 4, 255, 1, 6, 0}},
        {"skip of 128", Concat({{4}, Pixels(128, 0), {6}}), {1, 4, 255, 129, 1, 6, 0}},
        {"literal run of 127", run127, Concat({{127}, run127, {0}})},
        {"literal run of 130", run130, Concat({{127}, Pixels(run130.begin(), run130.begin() + 127), {3},
                                               Pixels(run130.end() - 3, run130.end()), {0}})},
        {"trailing empties are not coded", {3, 0, 0, 0}, {1, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodedRow coded = EncodeRow(c.row, 3);
        EXPECT_EQ(coded.lead, 0u);
        EXPECT_EQ(coded.codes, c.codes);
        EXPECT_EQ(DecodeGlyph(c.codes, Entry(0, 0), 0, static_cast<std::uint32_t>(c.row.size()), 1), c.row);
    }
}

TEST(GlyphRows, EmptyRowsAndLeads)
{
    CodedRow empty = EncodeRow(Pixels(20, 0));
    EXPECT_EQ(empty.lead, 0u);
    EXPECT_EQ(empty.codes, Pixels{0});
    EXPECT_EQ(DecodeGlyph(Pixels{0}, Entry(0, 0), 0, 20, 1), Pixels(20, 0));

    CodedRow led = EncodeRow(Concat({Pixels(300, 0), {8, 9}}));
    EXPECT_EQ(led.lead, 300u);
    EXPECT_EQ(led.codes, (Pixels{2, 8, 9, 0}));

    // A lead holds at most 1023: the rest of a longer stretch becomes skips.
    const Pixels wide = Concat({Pixels(1100, 0), {8}});
    CodedRow capped = EncodeRow(wide);
    EXPECT_EQ(capped.lead, 1023u);
    EXPECT_EQ(capped.codes, (Pixels{128 + 77, 1, 8, 0}));
    EXPECT_EQ(DecodeGlyph(capped.codes, Entry(0, capped.lead), 0, static_cast<std::uint32_t>(wide.size()), 1), wide);
}

TEST(GlyphRows, RandomGlyphsRoundTripAfterExistingData)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Pixels data = {0xAB, 0xCD}, table = Entry(0, 0);
    for (int glyph = 0; glyph < 40; ++glyph) {
        std::uint32_t width = random() % 300, height = random() % 12;
        Pixels image(std::size_t{width} * height);
        int emptiness = static_cast<int>(random() % 10);
        for (std::uint8_t& p : image) p = static_cast<int>(random() % 10) < emptiness ? 0 : static_cast<std::uint8_t>(random());
        const std::uint32_t firstRow = static_cast<std::uint32_t>(table.size() / 4);
        const Pixels oldData = data, oldTable = table;
        EncodeGlyph(image, width, height, data, table);
        ASSERT_EQ(table.size(), oldTable.size() + 4u * height);
        EXPECT_TRUE(std::equal(oldData.begin(), oldData.end(), data.begin())) << "codes are only appended";
        EXPECT_TRUE(std::equal(oldTable.begin(), oldTable.end(), table.begin())) << "entries are only appended";
        EXPECT_EQ(DecodeGlyph(data, table, firstRow, width, height), image) << width << " x " << height;
    }
}

TEST(GlyphRows, DecodingRefusesCodesOutsideTheirBlocksAndRows)
{
    struct Case {
        const char* name;
        Pixels data;
        Pixels table;
        std::uint32_t firstRow, width, height;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"row entry past the table", {0}, Entry(0, 0), 1, 4, 1, "past the end of the row table"},
        {"second row past the table", {0}, Entry(0, 0), 0, 4, 2, "past the end of the row table"},
        {"offset past the data", {0}, Entry(5, 0), 0, 4, 1, "past the end of the pixel data"},
        {"no end code", {130, 1, 3}, Entry(0, 0), 0, 4, 1, "past the end of the pixel data"},
        {"literal run past the row", {2, 1, 1, 0}, Entry(0, 3), 0, 4, 1, "passes the end of the row"},
        {"skip then literal past the row", {131, 2, 1, 1, 0}, Entry(0, 0), 0, 4, 1, "passes the end of the row"},
        {"literal run past the data", {3, 1}, Entry(0, 0), 0, 4, 1, "past the end of the pixel data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DecodeGlyph(c.data, c.table, c.firstRow, c.width, c.height);
            ADD_FAILURE() << "accepted";
        } catch (const GlyphFault& fault) {
            EXPECT_NE(std::string(fault.what()).find(c.says), std::string::npos) << fault.what();
        }
    }
    // Skips may run past the row's end as long as nothing is written there.
    EXPECT_EQ(DecodeGlyph(Pixels{1, 4, 200, 0}, Entry(0, 0), 0, 3, 1), (Pixels{4, 0, 0}));
}

TEST(GlyphRows, EncodingRefusesRowsBeyondTheReachOfAnEntry)
{
    Pixels data(kMaxRowOffset, 0), table;
    EXPECT_NO_THROW(EncodeGlyph(Pixels{1}, 1, 1, data, table)) << "a row may start at offset 4,194,303";
    EXPECT_THROW(EncodeGlyph(Pixels{1}, 1, 1, data, table), GlyphFault);
}

}  // namespace
}  // namespace eit
