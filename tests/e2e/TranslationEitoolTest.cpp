// eitool po export and po import, checked with GNU gettext's own tools
// (msgfmt -c, msgcat, msgmerge) and Python's csv module: every exported file
// passes gettext's checks, translations come back byte for byte through a
// replay, and a stale or malformed file changes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "support/CifBuilder.h"
#include "support/Eitool.h"

namespace eit::test {
namespace {

// The game's menu: two texts alike, a line break at the start and the end,
// quotes, a backslash, a tab, a byte that is not ASCII, an empty text and
// text that looks like an escape of the .txt.
const std::vector<Bytes> kMenu = {"Start", "Options", "Start", "\nLoad game", "Quit\n", "Say \"hi\"\\ \tnow",
                                  "Zako\xF1" "cz", "", "<$41> stays"};
const Bytes kLeads = "\x01\x02\x03\x04\x05\x06\x07\x08\x09";
// Its translation, the line breaks at start and end kept.
const std::vector<Bytes> kTranslated = {"Begin", "Opcje", "Start", "\nWczytaj\ngr\xEA", "Wyj\x9C" "cie\n", "Powiedz \"hej\"\\ \tteraz",
                                        "Zako\xF1" "cz", "", "<$41> zostaje"};

struct ShellRun {
    int status = -1;
    std::string output;  // standard output and errors
};

ShellRun Shell(const std::string& command)
{
    ShellRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    run.status = pclose(pipe);
    return run;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no \"" << from << "\" in\n" << text;
    else text.replace(at, from.size(), to);
    return text;
}

// The msgctxt values of a PO file as msgcat reads them, in order.
std::vector<std::string> ContextsOf(const std::string& poText)
{
    std::vector<std::string> contexts;
    const std::regex context("^msgctxt \"(.*)\"$", std::regex::multiline);
    for (auto it = std::sregex_iterator(poText.begin(), poText.end(), context); it != std::sregex_iterator(); ++it) {
        contexts.push_back((*it)[1]);
    }
    return contexts;
}

class EitoolTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "GNU gettext and Python are programs of the build machine, not of Wine";
#else
        for (const char* tool : {"msgfmt", "msgcat", "msgmerge", "python3"}) {
            ASSERT_EQ(Shell(std::string(tool) + " --version").status, 0)
                << tool << " is missing: scripts/deps.sh installs GNU gettext (package gettext) and python3";
        }
        WriteAll(dir / "game/menu.cif", BuildCif(menu));
        ASSERT_EQ(Eitool({"extract", "--target", "work", "game/menu.cif"}).status, 0);
        untouchedTxt = ReadAll(dir / "work/menu.txt");
#endif
    }
    ToolRun Eitool(const std::vector<std::string>& args) { return RunEitool(args, dir.path()); }
    ShellRun InDir(const std::string& command) { return Shell("cd " + Quote(dir.str()) + " && " + command); }
    // msgfmt -c's verdict on a file: empty when it accepts it.
    std::string GettextRefuses(const std::string& file)
    {
        const ShellRun run = InDir("msgfmt -c -o /dev/null " + Quote(file));
        return run.status == 0 ? std::string() : run.output;
    }
    // The menu as it stands after the replay of its .txt with these texts.
    Bytes CifAfterReplayOf(const std::vector<Bytes>& texts)
    {
        WriteAll(dir / "work/menu.txt", TxtOf(texts));
        EXPECT_EQ(Eitool({"replay", "work/result.log"}).status, 0);
        const Bytes rebuilt = ReadAll(dir / "game/menu.cif");
        Restore();
        return rebuilt;
    }
    void Restore()
    {
        WriteAll(dir / "game/menu.cif", BuildCif(menu));
        WriteAll(dir / "work/menu.txt", untouchedTxt);
    }

    TempFolder dir;
    CifParts menu = CifOfTexts(kMenu, kLeads);
    Bytes untouchedTxt;
};

TEST_F(EitoolTranslation, ExportedFilesPassGettextsChecksWithOneMessagePerEntryUniqueAcrossLogs)
{
    // A second menu.cif, in another folder and another log, and a .sal file
    // whose name is not UTF-8.
    WriteAll(dir / "dlc/menu.cif", BuildCif(CifOfTexts({"Start"}, "\x01")));
    WriteAll(dir / "dlc/n\xE4mes.sal", BuildCif(CifOfTexts({"Anna", "Anna"})));
    ASSERT_EQ(Eitool({"extract", "--target", "work2", "dlc/menu.cif", "dlc/n\xE4mes.sal"}).status, 0);
    WriteAll(dir / "work/menu.txt", TxtOf(kTranslated));

    const std::vector<std::string> want = {"game/menu.cif:0", "game/menu.cif:1", "game/menu.cif:2", "game/menu.cif:3", "game/menu.cif:4",
                                           "game/menu.cif:5", "game/menu.cif:6", "game/menu.cif:7", "game/menu.cif:8", "dlc/menu.cif:0",
                                           "n<$E4>mes.sal:0", "n<$E4>mes.sal:1"};
    for (const std::string file : {"t.pot", "t.po"}) {
        SCOPED_TRACE(file);
        const ToolRun run = Eitool({"po", "export", "work/result.log", "work2/result.log", "--output", file});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(GettextRefuses(file), "");
        const ShellRun cat = InDir("msgcat --no-wrap " + file);
        ASSERT_EQ(cat.status, 0) << cat.output;
        EXPECT_EQ(ContextsOf(cat.output), want);
    }
    const Bytes po = ReadAll(dir / "t.po");
    EXPECT_NE(po.find("msgctxt \"game/menu.cif:1\"\nmsgid \"Options\"\nmsgstr \"Opcje\"\n"), std::string::npos) << po;
    EXPECT_NE(po.find("msgctxt \"game/menu.cif:2\"\nmsgid \"Start\"\nmsgstr \"\"\n"), std::string::npos);  // the same as the game's
    EXPECT_NE(po.find("#. Keep <$F1> as written"), std::string::npos);
    EXPECT_NE(po.find("#. Lead byte 02"), std::string::npos);
    EXPECT_NE(po.find("\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"), std::string::npos);
    EXPECT_NE(po.find("\n\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "t.pot").find("msgstr \"Opcje\""), std::string::npos);

    // Any other extension is a usage error.
    EXPECT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.txt"}).status, 2);
    EXPECT_EQ(Eitool({"po", "import", "t.pot", "work/result.log"}).status, 2);
}

TEST_F(EitoolTranslation, TranslatedPoRebuildsTheCifByteForByteAlsoRewrappedAndWithCrLf)
{
    const Bytes want = CifAfterReplayOf(kTranslated);
    WriteAll(dir / "work/menu.txt", TxtOf(kTranslated));
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.po"}).status, 0);
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.pot"}).status, 0);
    ASSERT_EQ(InDir("msgcat --width=40 t.po -o wrapped.po").status, 0);
    const Bytes po = ReadAll(dir / "t.po");
    ASSERT_NE(ReadAll(dir / "wrapped.po"), po);
    Bytes crlf;
    for (char c : po) crlf += c == '\n' ? Bytes("\r\n") : Bytes(1, c);
    WriteAll(dir / "crlf.po", crlf);

    for (const std::string file : {"t.po", "wrapped.po", "crlf.po"}) {
        SCOPED_TRACE(file);
        Restore();
        const ToolRun run = Eitool({"po", "import", file, "work/result.log"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("menu.txt: 6 texts changed.\n6 translated texts written into 1 .txt file; 3 untranslated and 0 fuzzy"),
                  std::string::npos)
            << run.out;
        ASSERT_EQ(Eitool({"replay", "work/result.log"}).status, 0);
        EXPECT_EQ(ReadAll(dir / "game/menu.cif"), want);
    }
    // After the replay the CIF file holds the translation: only the template
    // still knows the game's texts.
    const ToolRun stale = Eitool({"po", "import", "t.po", "work/result.log"});
    EXPECT_EQ(stale.status, 1);
    EXPECT_NE(stale.err.find("the file is stale"), std::string::npos) << stale.err;
    const ToolRun withTemplate = Eitool({"po", "import", "t.po", "work/result.log", "--template", "t.pot"});
    EXPECT_EQ(withTemplate.status, 0) << withTemplate.err;
}

TEST_F(EitoolTranslation, FuzzyWhereGettextWouldRefuseAndNotImportedUntilCleared)
{
    std::vector<Bytes> texts = kMenu;
    texts[3] = "Load game";  // the game's text starts with a line break, this one does not
    WriteAll(dir / "work/menu.txt", TxtOf(texts));
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.po"}).status, 0);
    const Bytes po = ReadAll(dir / "t.po");
    EXPECT_NE(po.find("#, fuzzy\nmsgctxt \"menu.cif:3\""), std::string::npos) << po;
    EXPECT_EQ(GettextRefuses("t.po"), "");
    // Without the flag gettext refuses it, and it names why.
    WriteAll(dir / "cleared.po", Replaced(po, "#, fuzzy\nmsgctxt \"menu.cif:3\"", "msgctxt \"menu.cif:3\""));
    EXPECT_NE(GettextRefuses("cleared.po").find("do not both begin with '\\n'"), std::string::npos);

    Restore();
    ToolRun run = Eitool({"po", "import", "t.po", "work/result.log"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0 translated texts written into 0 .txt files; 8 untranslated and 1 fuzzy left as they stand.\n");
    EXPECT_EQ(ReadAll(dir / "work/menu.txt"), untouchedTxt);
    run = Eitool({"po", "import", "cleared.po", "work/result.log"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(dir / "work/menu.txt"), TxtOf(texts));
    EXPECT_EQ(ReadAll(dir / "work/menu.txt.~1~"), untouchedTxt);
}

TEST_F(EitoolTranslation, StaleOrMalformedFilesAreRefusedNamingTheLineAndNothingIsWritten)
{
    WriteAll(dir / "work/menu.txt", TxtOf(kTranslated));
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.po"}).status, 0);
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.csv"}).status, 0);
    Restore();
    const Bytes po = ReadAll(dir / "t.po");
    const Bytes csv = ReadAll(dir / "t.csv");
    const std::string options = "msgctxt \"menu.cif:1\"\nmsgid \"Options\"\nmsgstr \"Opcje\"";
    const struct {
        const char* name;
        std::string file;
        Bytes text;
        std::string error;
    } cases[] = {
        {"stale", "x.po", Replaced(po, "msgid \"Options\"", "msgid \"Settings\""),
         "the source text of menu.cif:1 is not the game's text (in its CIF file): the file is stale"},
        {"unknown context", "x.po", Replaced(po, "msgctxt \"menu.cif:1\"", "msgctxt \"menu.cif:99\""), "unknown context menu.cif:99"},
        {"duplicate context", "x.po", Replaced(po, "msgctxt \"menu.cif:2\"", "msgctxt \"menu.cif:1\""), "the context menu.cif:1 again, first on line"},
        {"no msgstr", "x.po", Replaced(po, "msgstr \"Opcje\"", ""), "a comment inside a message, where msgstr was expected"},
        {"unknown keyword", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstring \"Opcje\""), "found \"msgstring\""},
        {"unclosed string", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstr \"Opcje"), "a string without its closing quote"},
        {"bad escape", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstr \"Op\\qcje\""), "unknown escape \\q"},
        {"not UTF-8", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstr \"Op\xEAje\""), "the line is not UTF-8 text"},
        {"plural", "x.po", Replaced(po, options, options + "\nmsgstr[1] \"x\""), "msgstr[1]: these texts have no plural forms"},
        {"no byte", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstr \"Opcj\xC4\x99\""),
         "the translation of menu.cif:1: line 1 of the text, column 5: the character \"ę\" (U+0119) has no byte in ASCII"},
        {"end marker", "x.po", Replaced(po, "msgstr \"Opcje\"", "msgstr \"Op\\n[########]\""),
         "line 2 of the text, \"[########]\", would be read as a header or end marker line"},
        {"another charset", "x.po", Replaced(po, "charset=UTF-8", "charset=ISO-8859-2"), "the header names the charset iso-8859-2"},
        {"csv stray quote", "x.csv", Replaced(csv, "menu.cif:1,Options,Opcje", "menu.cif:1,Opt\"ions,Opcje"), "a double quote inside a field"},
        {"csv fields", "x.csv", Replaced(csv, "menu.cif:1,Options,Opcje", "menu.cif:1,Options,Opcje,more"), "4 fields where the first record has 3"},
        {"csv header", "x.csv", Replaced(csv, "context,source,translation", "id,source,translation"), "line 1: the first record must be the header"},
        {"csv stale", "x.csv", Replaced(csv, "menu.cif:1,Options,Opcje", "menu.cif:1,Settings,Opcje"), "the source text of menu.cif:1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(dir / c.file, c.text);
        const auto before = Snapshot(dir.path());
        for (bool check : {false, true}) {
            std::vector<std::string> args = {"po", "import", c.file, "work/result.log"};
            if (check) args.push_back("--check");
            const ToolRun run = Eitool(args);
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find("eitool: " + (dir / c.file) + ", line "), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        }
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
    // --check on a good file says what it would do and writes nothing.
    const auto before = Snapshot(dir.path());
    const ToolRun run = Eitool({"po", "import", "t.po", "work/result.log", "--check"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "menu.txt: 6 texts would change.\n6 translated texts would be written into 1 .txt file; 3 untranslated and 0 fuzzy "
                       "left as they stand.\n");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST_F(EitoolTranslation, MsgmergeCarriesATranslationToANewRelease)
{
    WriteAll(dir / "work/menu.txt", TxtOf(kTranslated));
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "old.po"}).status, 0);
    // The new release changes text 1 and adds a text.
    std::vector<Bytes> release = kMenu;
    release[1] = "Options...";
    release.push_back("Credits");
    menu = CifOfTexts(release, kLeads + "\x0A");
    Restore();
    ASSERT_EQ(Eitool({"extract", "--target", "work", "game/menu.cif"}).status, 0);
    untouchedTxt = ReadAll(dir / "work/menu.txt");

    ToolRun run = Eitool({"po", "import", "old.po", "work/result.log"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("old.po, line 23: the source text of menu.cif:1 is not the game's text"), std::string::npos) << run.err;

    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "new.pot"}).status, 0);
    const ShellRun merge = InDir("msgmerge --quiet old.po new.pot -o merged.po");
    ASSERT_EQ(merge.status, 0) << merge.output;
    run = Eitool({"po", "import", "merged.po", "work/result.log"});
    ASSERT_EQ(run.status, 0) << run.err;
    // msgmerge made "Options..." fuzzy with the old "Opcje": left until a person looks.
    EXPECT_EQ(run.out, "Kept the earlier menu.txt as menu.txt.~2~.\nmenu.txt: 5 texts changed.\n5 translated texts written into 1 .txt file; 4 untranslated and 1 fuzzy left as they stand.\n");
    std::vector<Bytes> want = kTranslated;
    want[1] = "Options...";
    want.push_back("Credits");
    ASSERT_EQ(Eitool({"replay", "work/result.log"}).status, 0);
    EXPECT_EQ(ReadAll(dir / "game/menu.cif"), RewrittenCif(menu, want, kLeads + "\x0A"));
}

TEST_F(EitoolTranslation, CsvEditedThroughPythonsCsvModuleImports)
{
    ASSERT_EQ(Eitool({"extract", "--target", "work", "--encoding", "windows-1250", "game/menu.cif"}).status, 0);
    const Bytes txt = ReadAll(dir / "work/menu.txt");
    ASSERT_EQ(Eitool({"po", "export", "work/result.log", "--output", "t.csv", "--encoding", "windows-1250"}).status, 0);
    EXPECT_EQ(ReadAll(dir / "t.csv").substr(0, 31), "\xEF\xBB\xBF" "context,source,translation\r\n");
    WriteAll(dir / "edit.py",
             "import csv, sys\n"
             "rows = list(csv.reader(open('t.csv', newline='', encoding='utf-8-sig')))\n"
             "assert rows[0] == ['context', 'source', 'translation'], rows[0]\n"
             "assert len(rows) == 10 and all(len(r) == 3 for r in rows), rows\n"
             "assert rows[4] == ['menu.cif:3', '\\nLoad game', ''], rows[4]\n"
             "assert rows[6][1] == 'Say \"hi\"\\\\ \\tnow', rows[6]\n"
             "assert rows[7][1] == 'Zako\\u0144cz', rows[7]\n"
             "rows[2][2] = 'D\\u017awi\\u0119k, \"muzyka\"\\ni klawisze'\n"
             "rows[7][2] = 'Koniec <$F1>'\n"
             "rows[1][2] = 'Nowa '\n"
             "csv.writer(open('e.csv', 'w', newline='', encoding='utf-8-sig')).writerows(rows)\n");
    const ShellRun python = InDir("python3 edit.py");
    ASSERT_EQ(python.status, 0) << python.output;

    std::vector<Bytes> want = kMenu;
    want[1] = "D\x9Fwi\xEAk, \"muzyka\"\ni klawisze";
    want[6] = "Koniec \xF1";
    want[0] = "Nowa";  // the replay drops spaces at the end of a line, and the import warns of it
    const ToolRun run = Eitool({"po", "import", "e.csv", "work/result.log", "--encoding", "windows-1250"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "eitool: " + (dir / "e.csv") + ", line 2: the translation of menu.cif:0 ends a line with spaces, which the replay drops\n");
    ASSERT_EQ(Eitool({"replay", "work/result.log", "--encoding", "windows-1250"}).status, 0);
    EXPECT_EQ(ReadAll(dir / "game/menu.cif"), RewrittenCif(menu, want, kLeads));
}

TEST_F(EitoolTranslation, PolishPoRoundTripInWindows1250AndWithATable)
{
    WriteAll(dir / "pl.tbl", "A1=\xC4\x99\r\n");  // "ę" on byte A1
    const std::vector<std::vector<std::string>> encodings = {{"--encoding", "windows-1250"},
                                                             {"--encoding", "windows-1250", "--table", "pl.tbl"}};
    const std::vector<Bytes> bytes = {"Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1", "Za\xBF\xF3\xB3\xE6 g\xA1\x9Cl\xB9 ja\x9F\xF1"};
    for (std::size_t e = 0; e < encodings.size(); ++e) {
        SCOPED_TRACE(e);
        std::vector<std::string> extract = {"extract", "--target", "work", "game/menu.cif"};
        extract.insert(extract.end(), encodings[e].begin(), encodings[e].end());
        ASSERT_EQ(Eitool(extract).status, 0);
        const Bytes txt = ReadAll(dir / "work/menu.txt");
        // The translator's .txt in UTF-8: "Zażółć gęślą jaźń" for text 1.
        WriteAll(dir / "work/menu.txt", Replaced(txt, "Options", "Zażółć gęślą jaźń"));
        std::vector<std::string> exportArgs = {"po", "export", "work/result.log", "--output", "pl.po"};
        exportArgs.insert(exportArgs.end(), encodings[e].begin(), encodings[e].end());
        ASSERT_EQ(Eitool(exportArgs).status, 0);
        EXPECT_EQ(GettextRefuses("pl.po"), "");
        const Bytes po = ReadAll(dir / "pl.po");
        EXPECT_NE(po.find("msgid \"Zakończ\"\nmsgstr \"\""), std::string::npos) << po;  // F1 is "ń" in windows-1250

        // The log records the encoding: import and replay take it from there,
        // and refuse another one.
        WriteAll(dir / "work/menu.txt", txt);
        ToolRun run = Eitool({"po", "import", "pl.po", "work/result.log", "--encoding", "iso-8859-2"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("records the encoding windows-1250"), std::string::npos) << run.err;
        EXPECT_EQ(ReadAll(dir / "work/menu.txt"), txt);
        std::vector<std::string> importArgs = {"po", "import", "pl.po", "work/result.log"};
        run = Eitool(importArgs);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(Eitool({"replay", "work/result.log"}).status, 0);
        std::vector<Bytes> want = kMenu;
        want[1] = bytes[e];
        EXPECT_EQ(ReadAll(dir / "game/menu.cif"), RewrittenCif(menu, want, kLeads));

        // A letter the code page cannot write is refused, naming the line.
        Restore();
        WriteAll(dir / "work/menu.txt", txt);
        WriteAll(dir / "ru.po", Replaced(po, "Zażółć gęślą jaźń", "Выход"));
        importArgs[2] = "ru.po";
        run = Eitool(importArgs);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("the character \"В\" (U+0412) has no byte in windows-1250"), std::string::npos) << run.err;
        EXPECT_EQ(ReadAll(dir / "work/menu.txt"), txt);
    }
}

}  // namespace
}  // namespace eit::test
