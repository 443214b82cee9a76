// CIF texts through a run's encoding: UTF-8 .txt files with a byte order
// mark, the round trip of every byte, refusals, and when the run asks.
#include <gtest/gtest.h>

#include "fixtures/CifFixture.h"
#include "jobs/Run.h"
#include "platform/FileSystem.h"

namespace eit::test {
namespace {

const Bytes kBom = "\xEF\xBB\xBF";

struct EncodingCase {
    std::string name;
    TextEncoding encoding;
    Bytes tableText;  // written as dir/pl.tbl when not empty
    std::string tableName;
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

class CifTextEveryByte : public CifTextTest, public ::testing::WithParamInterface<EncodingCase> {};

// Texts of every byte 1 to 255 come back from an unedited .txt with only the
// changes insertion makes anyway (CR LF inside a text becomes LF).
TEST_P(CifTextEveryByte, ComesBackFromAnUneditedUtf8Txt)
{
    ctx.settings.GivenEncoding = GetParam().encoding;
    if (!GetParam().tableText.empty()) {
        WriteAll(dir / "pl.tbl", GetParam().tableText);
        ctx.settings.GivenEncoding->tableFile = dir / "pl.tbl";
    }
    Bytes low, high;
    for (int b = 1; b < 0x80; ++b) low += b == '\r' ? 'x' : static_cast<char>(b);
    for (int b = 0x80; b < 0x100; ++b) high += static_cast<char>(b);
    // "<$" and its neighbours stand in texts too, and may be other bytes' characters.
    const std::vector<Bytes> escapes = {"<$41> and <$", "<<$$>$<", "a<$3C>b", "\x81<\x81$\x82"};
    const CifParts original = CifOfTexts({low, high, "a\r\nb\r", escapes[0], escapes[1], escapes[2], escapes[3], ""}, Bytes("LHCE1234\0", 9));
    const Bytes txt = Extract("x.cif", BuildCif(original));
    ASSERT_EQ(txt.substr(0, 15), kBom + "[00000000]\r\n");
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Text encoding: " + GetParam().tableName, "x.txt was extracted."}));

    Insert("x.cif", txt);
    EXPECT_EQ(ReadAll(dir / "x.cif"),
              RewrittenCif(original, {low, high, "a\nb\n", escapes[0], escapes[1], escapes[2], escapes[3], ""}, Bytes("LHCE1234\0", 9)));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CifTextEveryByte,
    ::testing::Values(EncodingCase{"windows1250", {"windows-1250", ""}, "", "windows-1250"},
                      EncodingCase{"cp852", {"CP852", ""}, "", "cp852"},
                      EncodingCase{"windows1252WithOverrides", {"cp1252", ""}, "A1=\xC4\x99\n81=<\n82=$\n", "windows-1252 + pl.tbl"},
                      EncodingCase{"tableAlone", {"", ""}, "41=A\n24=$\nFF=\xC4\x99\n", "pl.tbl"}),
    [](const auto& info) { return info.param.name; });

TEST_F(CifTextTest, TxtSavedAsUtf8IsRefusedWithoutAnEncoding)
{
    const Bytes cif = BuildCif(CifOfTexts({"one"}));
    WriteAll(dir / "x.cif", cif);
    EXPECT_EQ(ErrorOf([&] { Insert("x.cif", kBom + TxtOf({"one"})); }),
              (dir / "edited.txt") + " begins with a UTF-8 byte order mark: it was saved as UTF-8, not in the game's code page. "
                                     "Save it in the game's code page, or insert it with an encoding (eitool replay --encoding NAME).");
    EXPECT_EQ(ReadAll(dir / "x.cif"), cif);
    EXPECT_EQ(dialogs.encodingsAsked, 1);  // the run asked, and was told "the bytes as they are"
}

// A .txt without a byte order mark may hold the bytes as they are: with an
// encoding given it is refused, and read as before only when overridden.
TEST_F(CifTextTest, GivenEncodingRefusesATxtWhoseEditorDroppedTheByteOrderMarkUnlessOverridden)
{
    ctx.settings.GivenEncoding = TextEncoding{"windows-1250", ""};
    const CifParts original = CifOfTexts({"x"});
    WriteAll(dir / "x.tab", BuildCif(original));
    EXPECT_NE(ErrorOf([&] { Insert("x.tab", TxtOf({"gęś"})); }).find("byte order mark is missing"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "x.tab"), BuildCif(original));
    ctx.settings.OverrideEncoding = true;
    Insert("x.tab", TxtOf({"gęś"}));
    EXPECT_EQ(ReadAll(dir / "x.tab"), RewrittenCif(original, {"g\xEA\x9C"}));
    EXPECT_EQ(dialogs.encodingsAsked, 0);
}

class CifTextRuns : public CifTextTest {
protected:
    CifTextRuns() : savedFolder_(CurrentFolder()) {}
    ~CifTextRuns() override { SetCurrentFolder(savedFolder_); }
    std::string savedFolder_;
};

TEST_F(CifTextRuns, RunAsksOnceForTheEncodingAtTheStartAndAReplayOnlyAtAByteOrderMark)
{
    WriteAll(dir / "a.cif", BuildCif(CifOfTexts({"\xEA"}, "1")));
    WriteAll(dir / "b.cif", BuildCif(CifOfTexts({"\xB3"}, "2")));
    dialogs.folder = dir / "out";
    CreateFolders(dir / "out");
    dialogs.encoding = TextEncoding{"windows-1250", ""};
    ctx.JobKind = JobKind::ExtractCifText;
    RunProcess(ctx, {dir / "a.cif", dir / "b.cif"});
    EXPECT_EQ(dialogs.encodingsAsked, 1);
    EXPECT_EQ(recorder.results.front(), "Text encoding: windows-1250");
    EXPECT_EQ(ReadAll(dir / "out/b.txt"), kBom + TxtOf({"ł"}));

    // The replay takes the encoding the log records, without asking; a .txt
    // that lost its byte order mark is refused, and nothing is written.
    const Bytes before = ReadAll(dir / "a.cif");
    WriteAll(dir / "out/a.txt", TxtOf({"\xEA\xEA"}));
    ctx.JobKind = JobKind::ReplayLogs;
    EXPECT_NE(ErrorOf([&] { RunProcess(ctx, {dir / "out/result.log"}); }).find("byte order mark is missing"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "a.cif"), before);
    WriteAll(dir / "out/a.txt", kBom + TxtOf({"ęę"}));
    RunProcess(ctx, {dir / "out/result.log"});
    EXPECT_EQ(dialogs.encodingsAsked, 1);
    EXPECT_EQ(ReadAll(dir / "a.cif"), RewrittenCif(CifOfTexts({"\xEA"}, "1"), {"\xEA\xEA"}, "1"));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Text encoding recorded in " + (dir / "out/result.log") + ": windows-1250",
                                                          "Inserted.", "Inserted."}));
}

}  // namespace
}  // namespace eit::test
