// eitool refuses, before its first write, what would leave a replay applied
// in part or change a text where the translator did not, and says why: one
// case per class, each through eitool on files it makes.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

#ifndef _WIN32
// ---- Class: every rewrite proven possible before the first ------------------

struct FormatCase {
    const char* name;
    const char* extension;
    Bytes (*source)(int n);
};

const FormatCase kFormats[] = {
    {"LIB", ".lib", [](int n) { return MakeLib({{"a.bin", Bytes(1, static_cast<char>('a' + n))}}); }},
    {"CIF", ".cif", [](int n) { return BuildCif(CifOfTexts({"text " + std::to_string(n)}, "L")); }},
    {"FNT", ".fnt", [](int n) {
         std::vector<TestGlyph> glyphs;
         for (std::uint32_t g = 0; g < 224; ++g) glyphs.push_back(PatternGlyph(g + static_cast<std::uint32_t>(n), 2, 2, g == 65 ? 0 : 1));
         return MakeFont(glyphs);
     }},
};

// Three sources, the third in a folder that lets the user write the source
// but create no file beside it (root runs eitool as nobody). The check fails
// naming that folder and the system's reason, and so does the replay, having
// written nothing: in one log and across a project list of one log per source.
TEST(Preflight, AFolderWhereNoFileCanBeBuiltBesideFailsTheCheckAndTheReplayWritesNothing)
{
    const bool root = geteuid() == 0;
    if (root && std::system("setpriv --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv is missing";
    const std::string asUser = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    for (const FormatCase& format : kFormats) {
        for (const bool project : {false, true}) {
            SCOPED_TRACE(std::string(format.name) + (project ? " across a project list" : " in one log"));
            TempFolder dir;
            WriteAll(dir / "pal.act", TestPalette());
            std::vector<std::string> sources, lists;
            for (int n = 1; n <= 3; ++n) {
                const std::string folder = "game" + std::to_string(n);
                sources.push_back(dir / (folder + "/s" + std::to_string(n) + format.extension));
                WriteAll(sources.back(), format.source(n));
                chmod(sources.back().c_str(), 0666);
                chmod((dir / folder).c_str(), 0777);
            }
            auto extract = [&](const std::string& target, std::vector<std::string> files) {
                std::vector<std::string> args = {"extract", "--target", target, "--palette", "pal.act"};
                args.insert(args.end(), files.begin(), files.end());
                ASSERT_EQ(RunEitool(args, dir.path()).status, 0);
                lists.push_back(dir / (target + "/result.log"));
            };
            if (project) {
                for (int n = 0; n < 3; ++n) extract("out" + std::to_string(n), {sources[static_cast<std::size_t>(n)]});
            } else {
                extract("out", sources);
            }
            // The sources changed since their extraction, so the replay must
            // rewrite each of them (one it would leave as it is needs no file beside).
            for (int n = 1; n <= 3; ++n) WriteAll(sources[static_cast<std::size_t>(n - 1)], format.source(n + 3));
            Bytes list;
            for (const std::string& log : lists) list += log + "\r\n";
            WriteAll(dir / "all.lst", list);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
                if (entry.path().extension() == ".bmp") PaintSheet(entry.path().string());
            }
            chmod(dir.str().c_str(), 0777);
            chmod((dir / "game3").c_str(), root ? 0755 : 0555);
            const auto before = Snapshot(dir.path());
            const std::vector<std::string> logs = project ? std::vector<std::string>{"--project", "all.lst"} : lists;
            const std::string error = "eitool: Cannot create file " + sources[2] +
                                      ": Permission denied (the new contents are built in a file beside it, in its folder " +
                                      (dir / "game3") + ")\n";

            std::vector<std::string> args = {"replay", "--check"};
            args.insert(args.end(), logs.begin(), logs.end());
            const ToolRun check = RunEitool(args, dir.path(), asUser);
            args.erase(args.begin() + 1);
            const ToolRun replay = RunEitool(args, dir.path(), asUser);
            chmod((dir / "game3").c_str(), 0777);

            EXPECT_EQ(check.status, 1);
            EXPECT_EQ(check.err, error);
            EXPECT_EQ(replay.status, 1);
            EXPECT_EQ(replay.err, error);
            EXPECT_EQ(Snapshot(dir.path()), before) << "the replay wrote before it failed";
        }
    }
}
#endif

// The check and the replay of the same logs: both fail with the same error,
// and nothing is written.
void ExpectCheckAndReplayRefuse(const TempFolder& dir, const std::vector<std::string>& logs, const std::string& error)
{
    const auto before = Snapshot(dir.path());
    std::vector<std::string> args = {"replay", "--check"};
    args.insert(args.end(), logs.begin(), logs.end());
    const ToolRun check = RunEitool(args, dir.path());
    args.erase(args.begin() + 1);
    const ToolRun replay = RunEitool(args, dir.path());
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(replay.status, 1);
    EXPECT_EQ(replay.err, "eitool: " + error + "\n");
    EXPECT_EQ(check.err, replay.err);
    EXPECT_EQ(Snapshot(dir.path()), before) << "a refused replay wrote";
}

// ---- Class: round trips exact under every table -----------------------------

const Bytes kBom = "\xEF\xBB\xBF";

// Under a table that shows byte A0 as a space, the replay of the unedited
// .txt gives the CIF file that the replay of the unedited .txt of the bytes
// as they are gives: only the space bytes at line ends go, as ever, never an
// A0. A table that could make a round trip change a text is refused when
// loaded, naming its line; a mistyped escape is refused by the check and the
// replay alike, naming the .txt, the entry, the line and the column.
TEST(ExactRoundTrips, UnderATableTheUneditedTextsComeBackAsWithoutOne)
{
    TempFolder dir;
    const std::vector<Bytes> texts = {"ends in A0\xA0", "a space, an A0, a space \xA0 ", "two\xA0\r\nlines\xA0\xA0", "plain"};
    const CifParts parts = CifOfTexts(texts, "LMNO");
    WriteAll(dir / "bytes/t.cif", BuildCif(parts));
    WriteAll(dir / "table/t.cif", BuildCif(parts));
    WriteAll(dir / "space.tbl", "A0= \r\n");
    const std::vector<std::string> table = {"--encoding", "windows-1250", "--table", "space.tbl"};
    auto eitool = [&](std::vector<std::string> args, const std::vector<std::string>& options = {}) {
        args.insert(args.begin() + 1, options.begin(), options.end());
        return RunEitool(args, dir.path());
    };
    ASSERT_EQ(eitool({"extract", "--target", "out-bytes", "bytes/t.cif"}).status, 0);
    ASSERT_EQ(eitool({"extract", "--target", "out-table", "table/t.cif"}, table).status, 0);
    EXPECT_EQ(ReadAll(dir / "out-table/t.txt"),
              kBom + TxtOf({"ends<$20>in<$20>A0 ", "a<$20>space,<$20>an<$20>A0,<$20>a<$20>space<$20> <$20>", "two \r\nlines  ", "plain"}));
    const Bytes txt = ReadAll(dir / "out-table/t.txt");
    ASSERT_EQ(eitool({"replay", "out-bytes/result.log"}).status, 0);
    ASSERT_EQ(eitool({"replay", "out-table/result.log"}, table).status, 0);
    EXPECT_EQ(ReadAll(dir / "table/t.cif"), ReadAll(dir / "bytes/t.cif"));
    EXPECT_EQ(ReadAll(dir / "table/t.cif"),
              RewrittenCif(parts, {"ends in A0\xA0", "a space, an A0, a space \xA0", "two\xA0\nlines\xA0\xA0", "plain"}, "LMNO"));

    WriteAll(dir / "hash.tbl", "A0= \r\nA1=#\r\n");
    const ToolRun inexact = eitool({"extract", "--target", "out-hash", "--encoding", "windows-1250", "--table", "hash.tbl", "bytes/t.cif"});
    EXPECT_EQ(inexact.status, 1);
    EXPECT_EQ(inexact.err.rfind("eitool: Character table " + (dir / "hash.tbl") + ", line 2: byte A1 cannot stand for \"#\"", 0), 0u)
        << inexact.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out-hash"));

    for (const Bytes escape : {"<$G1>", "<$1>", "<$41", "<$ 41>"}) {
        SCOPED_TRACE(escape);
        Bytes edited = txt;
        edited.replace(edited.find("plain"), 5, "pl" + escape + "ain");
        WriteAll(dir / "out-table/t.txt", edited);
        std::vector<std::string> logs = {"--encoding", "windows-1250", "--table", "space.tbl", "out-table/result.log"};
        ExpectCheckAndReplayRefuse(dir, logs, "Cannot insert " + (dir / "out-table/t.txt") + " into " + (dir / "table/t.cif") +
                                                  ": entry 3 (line 15, column 3): \"" + escape +
                                                  "\" is no escape: a byte is written <$XX>, XX two hexadecimal digits");
    }
}

// ---- Class: the .txt's structure checked -----------------------------------

// A text whose end marker line was lost would run on through the next
// entry's header line; a zero byte ends the .txt early and leaves an entry
// without its end. Both are refused by the check and the replay alike, naming
// the line, before anything is written. A header-like line inside a text after
// the real header is text, as ever.
TEST(TxtStructure, ALostEndMarkerOrAnEarlyZeroByteIsRefusedNamingTheLine)
{
    TempFolder dir;
    WriteAll(dir / "t.sal", BuildCif(CifOfTexts({"one", "two", "three"})));
    ASSERT_EQ(RunEitool({"extract", "--target", "out", "t.sal"}, dir.path()).status, 0);
    const std::string cannotInsert = "Cannot insert " + (dir / "out/t.txt") + " into " + (dir / "t.sal") + ": ";
    struct Case {
        const char* what;
        Bytes txt;
        std::string error;  // empty: the replay succeeds
    };
    const Case cases[] = {
        {"lost end marker", "[00000000]\r\none\r\n\r\n[00000001]\r\ntwo\r\n[########]\r\n\r\n[00000002]\r\nthree\r\n[########]\r\n",
         cannotInsert + "line 4, the header line of entry 1, lies inside the text of entry 0 (header line 1): the end marker line "
                        "[########] of entry 0 is missing"},
        {"zero byte", TxtOf({"one", Bytes("tw\0o", 4), "three"}),
         "List index out of bounds (6): " + (dir / "out/t.txt") + " ends inside the text of entry 1: no end marker line [########] "
                                                                 "follows its header line [00000001], as a zero byte on line 6 ends the file's text there"},
        {"header-like line in a text", TxtOf({"one", "two", "three\r\n[00000000]"}), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(dir / "out/t.txt", c.txt);
        if (!c.error.empty()) {
            ExpectCheckAndReplayRefuse(dir, {"out/result.log"}, c.error);
            continue;
        }
        EXPECT_EQ(RunEitool({"replay", "--check", "out/result.log"}, dir.path()).status, 0);
        EXPECT_EQ(RunEitool({"replay", "out/result.log"}, dir.path()).status, 0);
        EXPECT_EQ(ReadAll(dir / "t.sal"), RewrittenCif(CifOfTexts({"one", "two", "three"}), {"one", "two", "three\n[00000000]"}));
    }
}

// ---- Class: every error says why --------------------------------------------

// A word that is no command is named; a huge table line is quoted clipped;
// FreeType's errors come in words.
TEST(ErrorsSayWhy, UnknownCommandsHugeLinesAndFontErrorsAreToldInWords)
{
    TempFolder dir;
    const ToolRun bogus = RunEitool({"bogus"}, dir.path());
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.err.rfind("eitool: there is no command \"bogus\"; the commands are extract, replay, ", 0), 0u) << bogus.err;

    WriteAll(dir / "big.tbl", "A0=" + Bytes(100000, 'x') + "\r\n");
    const ToolRun big = RunEitool({"table", "--table", "big.tbl"}, dir.path());
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.err, "eitool: Character table big.tbl, line 1: expected XX=c (two hexadecimal digits, \"=\" and one character in UTF-8), found \"A0=" +
                           Bytes(77, 'x') + "\xE2\x80\xA6\"\n");
#ifdef EIT_DRAW_LETTERS
    WriteAll(dir / "pal.act", TestPalette());
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t g = 0; g < 224; ++g) glyphs.push_back(PatternGlyph(g, 2, 2, g == 65 ? 0 : 1));
    WriteAll(dir / "f.fnt", MakeFont(glyphs));
    ASSERT_EQ(RunEitool({"extract", "--target", "out", "--palette", "pal.act", "f.fnt"}, dir.path()).status, 0);
    WriteAll(dir / "not-a-font.ttf", Bytes(4096, 'x'));
    const ToolRun draw = RunEitool({"draw", "--ttf", "not-a-font.ttf", "--encoding", "windows-1250", "out/f.bmp"}, dir.path());
    EXPECT_EQ(draw.status, 1);
    EXPECT_NE(draw.err.find(": unknown file format (FreeType error 0x02)\n"), std::string::npos) << draw.err;
#endif
}

}  // namespace
}  // namespace eit::test
