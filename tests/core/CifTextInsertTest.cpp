#include <gtest/gtest.h>

#include "jobs/Replay.h"
#include "fixtures/CifFixture.h"
#include "run/LogLines.h"
#include "support/Writes.h"

namespace eit::test {
namespace {

using CifTextInsert = CifTextTest;

class CifTextRoundTrip : public CifTextTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CifTextRoundTrip, UnchangedTxtChangesOnlyWhatInsertionNormalises)
{
    const std::string name = GetParam();
    const bool lead = name.ends_with(".CIF");
    // Records: R0 at 0, unreferenced bytes, R1 (lead byte 0), R2 (empty), R3; entries share R1.
    auto record = [&](char leadByte, const Bytes& text) { return (lead ? Bytes(1, leadByte) : Bytes()) + text + '\0'; };
    CifParts original;
    original.header = "0123456789ABCDEF";
    original.text = record('P', "Line one  \r\nline two \rthird");
    original.text += Bytes("JUNK\0", 5);
    const auto r1 = static_cast<std::uint32_t>(original.text.size());
    original.text += record('\0', "shared");
    const auto r2 = static_cast<std::uint32_t>(original.text.size());
    original.text += record('Q', "");
    const auto r3 = static_cast<std::uint32_t>(original.text.size());
    original.text += record('R', "tab\t ");
    original.offsets = {r1, 0, r1, r3, r2};
    original.tableTail = "\x11\x22\x33";
    original.filler = "QWERTY";
    original.after = "TRAILING";
    WriteAll(dir / name, BuildCif(original));
    ExtractCifText(ctx, dir / name);
    recorder = Recorder();

    EXPECT_EQ(Insert(name, ReadAll(dir / "names.txt")), 2u);
    const Bytes leads = lead ? Bytes("\0P\0RQ", 5) : Bytes();
    EXPECT_EQ(ReadAll(dir / name), RewrittenCif(original, {"shared", "Line one\nline two\nthird", "shared", "tab\t", ""}, leads));
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Dexoring contents...", "Inserting text to " + name + "..."}));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Inserted."}));
    EXPECT_EQ(recorder.progress.back(), 80);
    EXPECT_TRUE(recorder.extracted.empty());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutLeadBytes, CifTextRoundTrip, ::testing::Values("names.CIF", "names.sal"));

TEST_F(CifTextInsert, EditedTxtIsMatchedByHeaderWhateverItsCaseAndOrder)
{
    std::vector<Bytes> texts;
    for (char c = 'a'; c <= 'k'; ++c) texts.emplace_back(1, c);
    const CifParts original = CifOfTexts(texts, "ABCDEFGHIJK");
    WriteAll(dir / "x.cif", BuildCif(original));
    Bytes txt = "[00000000]   \r\none\r\ntwo\r\nthree\r\n[########]\r\n\r\n"  // header with trailing spaces
                "[00000001]\r\n[########]\r\n"                               // emptied
                "[00000002]\r\nbefore\r\nx [########] y\r\nafter\r\n[########]\r\n"
                "[0000000a]\r\nten\r\n[########]\r\n"                        // lower case, out of order
                "[00000003]\r\nfirst wins\r\n[########]\r\n"
                "[00000003]\r\nsecond loses\r\n[########]\r\n"
                "[00000004]\r\n   \r\n[########]\r\n"
                "[00000005]\rtab\t\n[########]\n";
    for (char c = '6'; c <= '9'; ++c) txt += "[0000000" + Bytes(1, c) + "]\r\n" + c + "\r\n[########]\r\n";
    txt += "[0000000B]\r\nbeyond the count\r\n[########]\r\n";

    Insert("x.cif", txt);
    EXPECT_EQ(ReadAll(dir / "x.cif"), RewrittenCif(original, {"one\ntwo\nthree", "", "before", "first wins", "", "tab\t", "6", "7", "8", "9", "ten"},
                                                "ABCDEFGHIJK"));
}

TEST_F(CifTextInsert, TxtWithoutAnEntrysHeaderOrEndMarkerLeavesTheFileUnchanged)
{
    const Bytes original = BuildCif(CifOfTexts({"a", "b"}, "LM"));
    WriteAll(dir / "x.cif", original);
    EXPECT_EQ(ErrorOf([&] { Insert("x.cif", TxtOf({"a"}) + "[00000002]\r\nc\r\n[########]\r\n"); }),
              "Cannot insert " + (dir / "edited.txt") + " into " + (dir / "x.cif") + ": it has no header line [00000001] for entry 1");
    EXPECT_EQ(ReadAll(dir / "x.cif"), original);
    EXPECT_EQ(ErrorOf([&] { Insert("x.cif", "[00000000]\r\nA\r\n[00000001]\r\nB\r\n"); }),
              "Cannot insert " + (dir / "edited.txt") + " into " + (dir / "x.cif") +
                  ": line 3, the header line of entry 1, lies inside the text of entry 0 (header line 1): the end marker line "
                  "[########] of entry 0 is missing");
    EXPECT_EQ(ErrorOf([&] { Insert("x.cif", "[00000000]\r\nA\r\n[########]\r\n[00000001]\r\nB\r\n"); }),
              "List index out of bounds (5): " + (dir / "edited.txt") +
                  " ends inside the text of entry 1: no end marker line [########] follows its header line [00000001]");
    EXPECT_EQ(ReadAll(dir / "x.cif"), original);
    EXPECT_TRUE(recorder.results.empty());
}

TEST_F(CifTextInsert, TableBelowOneEntryIsRewrittenWithAnEmptyTextBlock)
{
    CifParts original;
    original.tableTail = "abc";
    original.text = Bytes("old\0", 4);
    original.after = "x";
    WriteAll(dir / "t.sal", BuildCif(original));
    Insert("t.sal", "anything\r\n");
    EXPECT_EQ(ReadAll(dir / "t.sal"), RewrittenCif(original, {}, ""));
}

TEST_F(CifTextInsert, MissingTxtIsPassedOverSilently)
{
    const Bytes original = BuildCif(CifOfTexts({"a"}));
    WriteAll(dir / "x.sal", original);
    ctx.ReplayLines.Add("#Target: " + (dir / "gone.txt"));
    {
        SourceStreamScope source(ctx, dir / "x.sal");
        EXPECT_EQ(InsertCifText(ctx, dir / "x.sal", 0), 1u);
    }
    EXPECT_EQ(ReadAll(dir / "x.sal"), original);
    EXPECT_TRUE(recorder.results.empty());
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(CifTextInsert, ReplaySkipsAGroupWhoseSourceIsMissingAndGoesOn)
{
    WriteAll(dir / "here.sal", BuildCif(CifOfTexts({"old"})));
    WriteAll(dir / "gone.txt", TxtOf({"x"}));
    WriteAll(dir / "here.txt", TxtOf({"new"}));
    WriteAll(dir / "result.log", "#Format: CIF\r\n#Source: " + (dir / "gone.cif") + "\r\n#Target: " + (dir / "gone.txt") +
                                     "\r\n#Format: CIF\r\n#Source: " + (dir / "here.sal") + "\r\n#Target: " + (dir / "here.txt") + "\r\n");
    ReplayLog(ctx, dir / "result.log");
    EXPECT_EQ(recorder.results, (std::vector<std::string>{SourceMissingLine(JoinPath(dir.str(), "gone.cif")), "Inserted."}));
    EXPECT_EQ(ReadAll(dir / "here.sal"), RewrittenCif(CifParts(), {"new"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.cif"));
}

// A file that holds exactly what insertion writes is left as it is, not
// written; a filler or bytes after the text block that insertion would not
// write make it rewritten.
TEST_F(CifTextInsert, FileHoldingWhatInsertionWritesIsLeftUnwritten)
{
    CifParts written = CifOfTexts({"one", "two"}, "XY");
    written.filler = kRewrittenFiller;
    CifParts filler = written;
    filler.filler = "FILLER";
    CifParts after = written;
    after.after = "x";
    CifParts text = written;
    text.text[1] = 'O';
    struct Case {
        const char* what;
        CifParts parts;
        bool upToDate;
    };
    for (const Case& c : {Case{"as insertion writes it", written, true}, Case{"another filler", filler, false},
                          Case{"bytes after the text block", after, false}, Case{"a text", text, false}}) {
        SCOPED_TRACE(c.what);
        WriteAll(dir / "x.cif", BuildCif(c.parts));
        const FileStamp before = StampOf(dir / "x.cif");
        recorder = Recorder();
        const long writes = WritesOf([&] { Insert("x.cif", TxtOf({"one", "two"})); });
        EXPECT_EQ(ReadAll(dir / "x.cif"), BuildCif(written));
        EXPECT_EQ(writes == 0, c.upToDate);
        EXPECT_EQ(StampOf(dir / "x.cif") == before, c.upToDate);
        const std::vector<std::string> upToDate = {"Inserted.", "x.cif was up to date: nothing written."};
        EXPECT_EQ(recorder.results, c.upToDate ? upToDate : std::vector<std::string>{"Inserted."});
    }
}

TEST_F(CifTextInsert, FailureAtAnyWriteLeavesTheFileByteIdentical)
{
    const CifParts original = CifOfTexts({"one", "two", "three"}, "XYZ");
    const Bytes before = BuildCif(original);
    for (long n = 1;; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        WriteAll(dir / "x.cif", before);
        faults::FailOperation(n);
        const std::string error = ErrorOf([&] { Insert("x.cif", TxtOf({"uno", "", "tres tres"})); });
        const bool failed = faults::Triggered();
        faults::FailOperation(0);
        if (!failed) {
            EXPECT_EQ(error, "(no error)");
            EXPECT_EQ(ReadAll(dir / "x.cif"), RewrittenCif(original, {"uno", "", "tres tres"}, "XYZ"));
            EXPECT_GT(n, 5);
            break;
        }
        EXPECT_EQ(error, InjectedWriteError(dir / "x.cif"));
        EXPECT_EQ(ReadAll(dir / "x.cif"), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "a file left beside";
    }
}

}  // namespace
}  // namespace eit::test
