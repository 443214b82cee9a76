#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/Files.h"

namespace eit::test {
namespace {

TEST(EitoolCif, ExtractEditReplayRebuildsEveryTextFileByteForByte)
{
    TempFolder dir;
    CifParts menu = CifOfTexts({"Start", "Options", "Quit"}, "\x01\x02\x03");
    menu.after = "dropped on insertion";
    CifParts names = CifOfTexts({"Anna", "Bert"});
    names.filler = "zzzzzz";
    CifParts tips = CifOfTexts({"Jump", "Run\r\nfast"});
    tips.tableTail = "t";
    WriteAll(dir / "in/menu.cif", BuildCif(menu));
    WriteAll(dir / "in/names.sal", BuildCif(names));
    WriteAll(dir / "in/tips.TAB", BuildCif(tips));

    ToolRun extract = RunEitool({"extract", "--target", "out", "in/menu.cif", "in/names.sal", "in/tips.TAB"}, dir.path());
    ASSERT_EQ(extract.status, 0) << extract.err;
    const Bytes menuTxt = TxtOf({"Start", "Options", "Quit"});
    const Bytes namesTxt = TxtOf({"Anna", "Bert"});
    const Bytes tipsTxt = TxtOf({"Jump", "Run\r\nfast"});
    EXPECT_EQ(ReadAll(dir / "out/menu.txt"), menuTxt);
    EXPECT_EQ(ReadAll(dir / "out/names.txt"), namesTxt);
    EXPECT_EQ(ReadAll(dir / "out/tips.txt"), tipsTxt);
    EXPECT_EQ(extract.out, "menu.txt was extracted.\nnames.txt was extracted.\ntips.txt was extracted.\nTotal " +
                               std::to_string(menuTxt.size() + namesTxt.size() + tipsTxt.size()) + " bytes extracted.\n");
    Bytes log;
    for (std::string stem : {"menu.cif", "names.sal", "tips.TAB"}) {
        log += "#Format: CIF\r\n#Source: " + (dir / ("in/" + stem)) + "\r\n#Target: ";
        stem.resize(stem.find('.'));
        log += (dir / "out") + kPathSeparator + stem + ".txt\r\n";
    }
    EXPECT_EQ(ReadAll(dir / "out/result.log"), log);

    WriteAll(dir / "out/menu.txt", TxtOf({"Start", "Sound\r\nMusic\nKeys", "Quit"}));
    WriteAll(dir / "out/names.txt", TxtOf({"", "Bert"}));
    WriteAll(dir / "out/tips.txt", TxtOf({"Jump   ", "Run \r\nfast  "}));
    ToolRun replay = RunEitool({"replay", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.out, "Inserted.\nInserted.\nInserted.\n");
    EXPECT_EQ(ReadAll(dir / "in/menu.cif"), RewrittenCif(menu, {"Start", "Sound\nMusic\nKeys", "Quit"}, "\x01\x02\x03"));
    EXPECT_EQ(ReadAll(dir / "in/names.sal"), RewrittenCif(names, {"", "Bert"}));
    EXPECT_EQ(ReadAll(dir / "in/tips.TAB"), RewrittenCif(tips, {"Jump", "Run\nfast"}));
}

TEST(EitoolCif, DamagedTextFileEndsTheRunWithItsNameAndWritesNothing)
{
    TempFolder dir;
    WriteAll(dir / "bad.cif", BuildCif(CifOfTexts({"abc"})).substr(0, 30));
    ToolRun run = RunEitool({"extract", "--target", "out", "bad.cif"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "eitool: Damaged CIF text file " + (dir / "bad.cif") + ": the file (30 bytes) ends before the length of its text block\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
}

}  // namespace
}  // namespace eit::test
