#include <gtest/gtest.h>

#include <random>

#include "fixtures/CifFixture.h"

namespace eit::test {
namespace {

std::vector<std::uint8_t> AsVector(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

Bytes RandomBytes(std::size_t n, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

TEST(CifScrambling, FirstKeysFollowTheSchedule)
{
    // key 0x9B, then +0x5E = 0xF9, then +0x7B = 0x74; each byte is (b - 1) XOR key.
    std::vector<std::uint8_t> block = {0x01, 0x01, 0x01};
    DexorBlock(block);
    EXPECT_EQ(block, (std::vector<std::uint8_t>{0x9B, 0xF9, 0x74}));
    RexorBlock(block);
    EXPECT_EQ(block, (std::vector<std::uint8_t>{0x01, 0x01, 0x01}));
}

TEST(CifScrambling, KeyScheduleHoldsFarPast256BytesAndDexorUndoesRexor)
{
    for (std::size_t n : {0u, 1u, 255u, 256u, 257u, 1300u}) {
        SCOPED_TRACE("block of " + std::to_string(n) + " bytes");
        const Bytes plain = RandomBytes(n, static_cast<std::uint32_t>(n));
        std::vector<std::uint8_t> block = AsVector(plain);
        RexorBlock(block);
        EXPECT_EQ(block, AsVector(ScrambleCif(plain)));
        DexorBlock(block);
        EXPECT_EQ(block, AsVector(plain));
    }
}

using CifTextExtract = CifTextTest;

TEST_F(CifTextExtract, TwoEntriesGiveTheExampleTxtByteForByte)
{
    const Bytes txt = Extract("names.cif", BuildCif(CifOfTexts({"Hello", ""}, "\x05\x06")));
    const Bytes expected = "[00000000]\r\nHello\r\n[########]\r\n\r\n[00000001]\r\n\r\n[########]\r\n\r\n";
    EXPECT_EQ(txt, expected);
    EXPECT_EQ(ctx.TotalBytes, expected.size());
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Dexoring contents...", "Extracting text from names.cif..."}));
    EXPECT_EQ(recorder.extracted, (std::vector<std::string>{"Extarcted: 1 of 2", "Extarcted: 2 of 2"}));
    EXPECT_EQ(recorder.progress, (std::vector<int>{0, 0, 50}));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"names.txt was extracted."}));
    ASSERT_EQ(ctx.OperationLog.Count(), 1u);
    EXPECT_EQ(ctx.OperationLog[0], "#Target: " + JoinPath(dir.str(), "names.txt"));
}

TEST_F(CifTextExtract, NoEntriesGiveAnEmptyTxtStillLogged)
{
    for (const Bytes& tail : {Bytes(), Bytes("abc")}) {  // tableLength 0 and 3
        CifParts parts;
        parts.tableTail = tail;
        EXPECT_EQ(Extract("empty.sal", BuildCif(parts)), "");
        EXPECT_TRUE(recorder.extracted.empty());
    }
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"empty.txt was extracted.", "empty.txt was extracted."}));
    EXPECT_EQ(ctx.OperationLog.Count(), 2u);
}

TEST_F(CifTextExtract, LeadBytesOnlyInDotCifFilesAndTxtNamesFollowTheCifName)
{
    const Bytes cif = BuildCif(CifOfTexts({"Lab"}));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"LIST.CIF", "LIST.txt"}, {"list.sal", "list.txt"}, {"list.tab", "list.txt"}, {"strings", "strings.txt"}, {"a.b.cif", "a.b.txt"}};
    for (const auto& [name, txtName] : cases) {
        SCOPED_TRACE(name);
        const bool lead = LowerAscii(ExtensionOf(name)) == ".cif";
        WriteAll(dir / name, cif);
        ExtractCifText(ctx, dir / name);
        EXPECT_EQ(ReadAll(dir / txtName), TxtOf({lead ? "ab" : "Lab"}));
    }
}

TEST_F(CifTextExtract, SharedUnorderedRecordsAndLineBreaksAreWrittenAsTheyStand)
{
    CifParts parts;
    parts.text = Bytes("first\0a\r\nb  \0", 14);
    parts.offsets = {6, 0, 0};
    parts.tableTail = "xy";  // tableLength 14: two bytes that form no entry
    parts.after = "ignored";
    EXPECT_EQ(Extract("s.tab", BuildCif(parts)), TxtOf({"a\r\nb  ", "first", "first"}));
}

TEST_F(CifTextExtract, HeadersAreEightUpperCaseHexDigitsAndProgressStopsBelow100)
{
    CifParts parts = CifOfTexts({"t"});
    parts.offsets.assign(4097, 0);
    const Bytes txt = Extract("many.sal", BuildCif(parts));
    EXPECT_NE(txt.find("\r\n[000000FF]\r\nt\r\n"), Bytes::npos);
    EXPECT_NE(txt.find("\r\n[00001000]\r\nt\r\n"), Bytes::npos);
    EXPECT_EQ(recorder.progress.back(), 4096 * 100 / 4097);
    EXPECT_EQ(recorder.extracted.back(), "Extarcted: 4097 of 4097");
}

TEST_F(CifTextExtract, FailedTxtWriteLeavesNoFileBehind)
{
    WriteAll(dir / "names.cif", BuildCif(CifOfTexts({"Hello"}, "L")));
    faults::FailOperation(1);
    EXPECT_EQ(ErrorOf([&] { ExtractCifText(ctx, dir / "names.cif"); }), InjectedWriteError(dir / "names.txt"));
    faults::FailOperation(0);
    EXPECT_FALSE(std::filesystem::exists(dir / "names.txt"));
}

// A damaged file is refused by both handlers with an error naming the file
// and what is wrong; nothing is written and the file stays as it was.
struct DamagedCase {
    std::string label;
    std::string fileName;
    Bytes file;
    std::string error;
};
void PrintTo(const DamagedCase& c, std::ostream* out) { *out << c.label; }

CifParts WithOffsets(Bytes text, std::vector<std::uint32_t> offsets)
{
    CifParts parts;
    parts.text = std::move(text);
    parts.offsets = std::move(offsets);
    return parts;
}

std::vector<DamagedCase> DamagedCases()
{
    const Bytes good = BuildCif(CifOfTexts({"one", "two"}));
    Bytes hugeTable = good.substr(0, 16) + Bytes("\xF0\xFF\xFF\xFF", 4) + good.substr(20);
    Bytes longText = good;
    longText[26 + 8] = '\x7F';  // textLength 127 in a file that holds 8 text bytes
    return {
        {"TooShortForTableLength", "a.sal", good.substr(0, 18), "the file (18 bytes) ends before the length of its offset table"},
        {"TableLengthPastTheEnd", "a.sal", hugeTable, "its offset table of 4294967280 bytes reaches past the end of the file"},
        {"EndsBeforeTextLength", "a.sal", good.substr(0, 30), "the file (30 bytes) ends before the length of its text block"},
        {"TextLengthPastTheEnd", "a.sal", longText, "its text block of 127 bytes reaches past the end of the file (46 bytes)"},
        {"TextBlockCut", "a.sal", good.substr(0, good.size() - 1), "its text block of 8 bytes reaches past the end"},
        {"OffsetPastTheBlock", "a.sal", BuildCif(WithOffsets(Bytes("ab\0", 3), {0, 3})),
         "entry 1: its record at offset 3 lies outside the text block of 3 bytes"},
        {"LeadByteWithoutText", "a.cif", BuildCif(WithOffsets(Bytes("ab\0", 3), {2})),
         "entry 0: its record at offset 2 (after its lead byte) lies outside the text block of 3 bytes"},
        {"NoTerminatingZero", "a.sal", BuildCif(WithOffsets(Bytes("ab\0cd", 5), {0, 3})),
         "entry 1: its record at offset 3 has no terminating zero inside the text block of 5 bytes"},
    };
}

class CifTextDamaged : public CifTextTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(CifTextDamaged, IsRefusedByExtractionAndInsertionWithoutWritingAnything)
{
    const DamagedCase& c = GetParam();
    const std::string expected = "Damaged CIF text file " + (dir / c.fileName) + ": " + c.error;
    WriteAll(dir / c.fileName, c.file);
    EXPECT_EQ(ErrorOf([&] { ExtractCifText(ctx, dir / c.fileName); }).substr(0, expected.size()), expected);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
    EXPECT_TRUE(ctx.OperationLog.Empty());
    EXPECT_TRUE(recorder.results.empty());

    EXPECT_EQ(ErrorOf([&] { Insert(c.fileName, TxtOf({"x", "y"})); }).substr(0, expected.size()), expected);
    EXPECT_EQ(ReadAll(dir / c.fileName), c.file);
}

INSTANTIATE_TEST_SUITE_P(Cases, CifTextDamaged, ::testing::ValuesIn(DamagedCases()),
                         [](const auto& info) { return info.param.label; });

TEST_F(CifTextExtract, CutOrCorruptedFilesAreRefusedOrReadNeverOverrun)
{
    const Bytes good = BuildCif(CifOfTexts({"alpha", "beta", "", "gamma"}, "ABCD"));
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        WriteAll(dir / "cut.cif", good.substr(0, cut));
        EXPECT_NE(ErrorOf([&] { ExtractCifText(ctx, dir / "cut.cif"); }), "(no error)");
    }
    const std::uint32_t seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        Bytes bad = good;
        for (int flips = 0; flips < 3; ++flips) bad[random() % bad.size()] = static_cast<char>(random());
        WriteAll(dir / "bad.cif", bad);
        const std::string error = ErrorOf([&] { ExtractCifText(ctx, dir / "bad.cif"); });
        EXPECT_TRUE(error == "(no error)" || error.rfind("Damaged CIF text file", 0) == 0) << "seed " << seed << ": " << error;
    }
}

}  // namespace
}  // namespace eit::test
