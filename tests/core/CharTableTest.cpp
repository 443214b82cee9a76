#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/CharTable.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/Utf8.h"
#include "support/ErrorOf.h"
#include "support/Files.h"
#include "support/Shell.h"

namespace eit {
namespace {

using test::Bytes;
using test::ErrorOf;
using test::TempFolder;
using test::WriteAll;

// What Python's codecs say, by codec: "decode XX" and "encode CCCC" to a
// code point or a byte, or "-". Written by tests/tools/codepage_expectations.py,
// run here, or read from the file EIT_CODEPAGE_EXPECTATIONS names (the Windows
// tests under Wine, which cannot run the build machine's Python).
using Expectations = std::map<std::string, std::map<std::string, std::string>>;

std::optional<Expectations> PythonExpectations(const std::vector<std::string>& codecs)
{
    TempFolder dir;
    std::string file;
    if (const char* given = std::getenv("EIT_CODEPAGE_EXPECTATIONS")) {
        file = given;
    } else {
        file = dir / "expected.txt";
        std::string args;
        for (const std::string& codec : codecs) args += " " + codec;
        const std::string script = test::Quote(EIT_TESTS_DIR "/tools/codepage_expectations.py");
        bool ran = false;
        for (const char* python : {"python3", "python"}) ran = ran || test::Succeeds(std::string(python) + " " + script + args, file);
        if (!ran) return std::nullopt;
    }
    Expectations expected;
    std::istringstream lines(test::ReadAll(file));
    for (std::string way, codec, key, value; lines >> way >> codec >> key >> value;) expected[codec][way + " " + key] = value;
    return expected;
}

struct CodePageCase {
    const char* name;   // as the tool knows it
    const char* codec;  // as Python knows it
};

void PrintTo(const CodePageCase& c, std::ostream* out) { *out << c.name; }

class CodePageAgainstPython : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageAgainstPython, EveryByteAndCharacterConvertsAsPythonsCodecSays)
{
    static const std::optional<Expectations> all = PythonExpectations({"cp1250", "cp1251", "cp1252", "cp852"});
    if (!all) GTEST_SKIP() << "no python3 to tell the expected characters (or set EIT_CODEPAGE_EXPECTATIONS)";
    const std::map<std::string, std::string>& expected = all->at(GetParam().codec);
    const CodePageTable characters = CodePageCharacters(GetParam().name);
    const CharTable table = CharTable::Load(GetParam().name, "");
    std::size_t encodes = 0;
    for (unsigned b = 1; b < 256; ++b) {
        const std::optional<char32_t> c = characters[b];
        EXPECT_EQ(c ? CodePointName(*c).substr(2) : "-", expected.at("decode " + HexByte(static_cast<std::uint8_t>(b)))) << "byte " << HexByte(b);
    }
    for (const auto& [key, value] : expected) {
        if (key.rfind("encode ", 0) != 0) continue;
        ++encodes;
        const char32_t c = static_cast<char32_t>(std::stoul(key.substr(7), nullptr, 16));
        const std::optional<std::uint8_t> byte = table.ByteOf(c);
        // Line breaks stay what they are in a .txt: the table gives them no byte.
        const std::string want = (c == U'\n' || c == U'\r') ? "-" : value;
        EXPECT_EQ(byte ? HexByte(*byte) : "-", want) << CodePointName(c);
    }
    EXPECT_GT(encodes, 400u);  // every letter of the four code pages was asked
}

INSTANTIATE_TEST_SUITE_P(Pages, CodePageAgainstPython,
                         ::testing::Values(CodePageCase{"windows-1250", "cp1250"}, CodePageCase{"windows-1251", "cp1251"},
                                           CodePageCase{"windows-1252", "cp1252"}, CodePageCase{"cp852", "cp852"}),
                         [](const auto& info) { return std::string(info.param.codec); });

TEST(CodePages, EveryOfferedPageConvertsAndKeepsAsciiLetters)
{
    const std::vector<std::string> names = CodePageNames();
    EXPECT_GE(names.size(), 25u);
    for (const std::string& name : names) {
        const CodePageTable characters = CodePageCharacters(name);
        for (char32_t c = U'A'; c <= U'z'; ++c) EXPECT_EQ(characters[c], c) << name;
    }
}

TEST(CodePages, NamesCountWithoutCaseAndAcceptTheirOtherForms)
{
    EXPECT_EQ(CodePageName("CP1250"), "windows-1250");
    EXPECT_EQ(CodePageName("Windows-1251"), "windows-1251");
    EXPECT_EQ(CodePageName("IBM852"), "cp852");
    EXPECT_EQ(CodePageName("iso8859-2"), "iso-8859-2");
    EXPECT_EQ(CodePageName("KOI8-U"), "koi8-u");
    const std::string error = ErrorOf([] { CodePageName("utf-8"); });
    EXPECT_NE(error.find("Unknown code page \"utf-8\""), std::string::npos) << error;
    EXPECT_NE(error.find("windows-1250, windows-1251"), std::string::npos) << error;
    EXPECT_NE(error.find("koi8-u"), std::string::npos) << error;
}

class CharTableFile : public ::testing::Test {
protected:
    CharTable Load(const std::string& encoding, const Bytes& tableText)
    {
        WriteAll(dir / "pl.tbl", tableText);
        return CharTable::Load(encoding, dir / "pl.tbl");
    }
    std::string Refusal(const std::string& encoding, const Bytes& tableText)
    {
        return ErrorOf([&] { Load(encoding, tableText); });
    }
    TempFolder dir;
};

TEST_F(CharTableFile, OverrideTakesItsByteAndItsCharacterFromTheCodePage)
{
    // windows-1250 has "ę" at EA: the override puts it on A1, so EA keeps no character.
    const CharTable table = Load("cp1250", "\xEF\xBB\xBF" "A1=\xC4\x99\r\n\r\n   \r\nb0=\xE2\x82\xAC\n");
    EXPECT_EQ(table.Name(), "windows-1250 + pl.tbl");
    EXPECT_EQ(table.CharOf(0xA1), U'ę');
    EXPECT_EQ(table.ByteOf(U'ę'), 0xA1);
    EXPECT_EQ(table.CharOf(0xEA), std::nullopt);
    EXPECT_EQ(table.CharOf(0xB0), U'€');  // lower-case hexadecimal digits too
    EXPECT_EQ(table.ByteOf(U'€'), 0xB0);
    EXPECT_EQ(table.CharOf(0x80), std::nullopt);  // € went from 80 to B0
    EXPECT_EQ(table.ByteOf(U'°'), std::nullopt);  // B0's own character lost its byte
    EXPECT_EQ(table.ByteOf(U'ł'), 0xB3);          // the rest of the code page stays
}

TEST_F(CharTableFile, FaultyLinesAreRefusedNamingTheFileAndTheLines)
{
    const std::string file = dir / "pl.tbl";
    const struct {
        Bytes table;
        std::string error;
    } cases[] = {
        {"41=A\nA1=x\n\na1=y\n", "line 4: byte A1 is listed twice, on lines 2 and 4"},
        {"A1=\xC4\x99\nB1=\xC4\x99\n", "line 2: the character \"\xC4\x99\" (U+0119) is listed twice, on lines 1 and 2"},
        {"A1=ab\n", "line 1: expected XX=c"},
        {"A1\n", "line 1: expected XX=c"},
        {"G1=a\n", "line 1: expected XX=c"},
        {"A1=\xC4\n", "line 1: expected XX=c"},
        {"41=A\n0A=x\n", "line 2: byte 0A cannot be mapped: it is a line break"},
        {"0d=x\n", "line 1: byte 0D cannot be mapped"},
    };
    for (const auto& c : cases) {
        const std::string error = Refusal("windows-1252", c.table);
        EXPECT_EQ(error.rfind("Character table " + file + ", " + c.error, 0), 0u) << error;
    }
    EXPECT_EQ(ErrorOf([] { CharTable::Load("", ""); }), "No encoding: give a code page, a character table file or both");
    EXPECT_EQ(ErrorOf([&] { CharTable::Load("cp1250", dir / "none.tbl"); }), "Cannot open file " + (dir / "none.tbl"));
}

TEST(CharTable, LineThatCannotBecomeBytesNamesTheCharacterAndItsColumn)
{
    const CharTable table = CharTable::Load("windows-1252", "");
    const struct {
        std::string line;
        std::size_t column;
        std::string what;
    } cases[] = {
        {"Gr\xC3\xB6\xC3\x9F" "e \xC5\xBC", 7, "the character \"\xC5\xBC\" (U+017C) has no byte in windows-1252"},
        {"ab\xC3(", 3, "byte C3 is not UTF-8; save the .txt as UTF-8"},
        {"\xED\xA0\x80", 1, "byte ED is not UTF-8; save the .txt as UTF-8"},  // a surrogate
        {"\xC0\xAF", 1, "byte C0 is not UTF-8; save the .txt as UTF-8"},      // overlong
        {"x<$00>", 2, "<$00> cannot stand in a text, which a zero byte ends"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes;
        const auto fault = table.AppendBytes(bytes, c.line);
        ASSERT_TRUE(fault) << c.line;
        EXPECT_EQ(fault->column, c.column) << c.line;
        EXPECT_EQ(fault->what, c.what);
    }
}

}  // namespace
}  // namespace eit
