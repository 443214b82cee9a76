// The PO and CSV readers and writers, and the texts of messages: what is
// written reads back the same, what gettext's tools write reads, and a
// malformed file is refused naming its line.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/CharTable.h"
#include "formats/Csv.h"
#include "formats/Po.h"
#include "jobs/TranslationTexts.h"
#include "support/ErrorOf.h"

namespace eit {
namespace {

const std::vector<std::string> kTricky = {"", "plain", "a\nb", "ends\n", "\nstarts", "\n", "q\"u\\o\tte", "\r\a\b\f\v\x01\x7F",
                                          "two\n\nbreaks", "ż <$A1> ,\"x\""};

TEST(PoFile, WrittenMessagesReadBackTheSame)
{
    std::string text;
    AppendPoMessage(text, {{}, {}, true, std::nullopt, "", "Content-Type: text/plain; charset=UTF-8\n", 0});
    for (std::size_t i = 0; i < kTricky.size(); ++i) {
        AppendPoMessage(text, {{"note " + std::to_string(i)}, {"menu.txt:" + std::to_string(i)}, i % 2 == 1, "c" + std::to_string(i), kTricky[i],
                               kTricky[kTricky.size() - 1 - i], 0});
    }
    const PoFile po = ReadPo(text, "t.po");
    EXPECT_EQ(po.header, "Content-Type: text/plain; charset=UTF-8\n");
    ASSERT_EQ(po.messages.size(), kTricky.size());
    for (std::size_t i = 0; i < kTricky.size(); ++i) {
        SCOPED_TRACE(i);
        const PoMessage& m = po.messages[i];
        EXPECT_EQ(m.context, "c" + std::to_string(i));
        EXPECT_EQ(m.id, kTricky[i]);
        EXPECT_EQ(m.translation, kTricky[kTricky.size() - 1 - i]);
        EXPECT_EQ(m.fuzzy, i % 2 == 1);
        EXPECT_EQ(m.notes, std::vector<std::string>{"note " + std::to_string(i)});
    }
    // A line break inside a text splits the string after it, as gettext does.
    EXPECT_NE(text.find("msgid \"\"\n\"two\\n\"\n\"\\n\"\n\"breaks\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("msgid \"ends\\n\"\n"), std::string::npos);
}

TEST(PoFile, ReadsWhatGettextsToolsWrite)
{
    const std::string text =
        "\xEF\xBB\xBF# translator's comment\r\n"
        "msgid \"\"\r\n"
        "msgstr \"\"\r\n"
        "\"Content-Type: text/plain; \"\r\n"
        "\"charset=utf-8\\n\"\r\n"
        "\r\n"
        "#. note\n"
        "#: a.txt:1 b.txt:2\n"
        "#, c-format, fuzzy\n"
        "#| msgid \"old\"\n"
        "msgctxt \"a\"\n"
        "msgid \"\"\n"
        "\"first \"\n"
        "  \"second\"   \n"
        "msgstr \"\\x41\\102\"\n"
        "#~ msgctxt \"gone\"\n"
        "#~ msgid \"obsolete\"\n"
        "#~ msgstr \"old\"\n";
    const PoFile po = ReadPo(text, "t.po");
    EXPECT_EQ(po.header, "Content-Type: text/plain; charset=utf-8\n");
    ASSERT_EQ(po.messages.size(), 1u);
    EXPECT_EQ(po.messages[0].id, "first second");
    EXPECT_EQ(po.messages[0].translation, "AB");
    EXPECT_TRUE(po.messages[0].fuzzy);
    EXPECT_EQ(po.messages[0].line, 11u);
    EXPECT_EQ(po.messages[0].references, std::vector<std::string>{"a.txt:1 b.txt:2"});
}

TEST(PoFile, MalformedFilesAreRefusedNamingTheLine)
{
    const std::string good = "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"y\"\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {good + "msgid \"z\"\n", "line 4: the file ends inside a message"},
        {good + "msgstr \"z\"\n", "line 4: a second msgstr"},
        {"msgstr \"z\"\n", "line 1: msgstr without msgid"},
        {"msgctxt \"a\"\nmsgctxt \"b\"\n", "line 2: msgctxt where msgstr was expected"},
        {"msgctxt \"a\"\n# c\nmsgid \"x\"\nmsgstr \"\"\n", "line 2: a comment inside a message"},
        {"\"x\"\n", "line 1: a string that follows no keyword"},
        {"msgid x\n", "line 1: msgid without its string"},
        {"msgid \"x\" y\nmsgstr \"\"\n", "line 1: text after the closing quote"},
        {"msgid \"x\\\"\nmsgstr \"\"\n", "line 1: a string without its closing quote"},
        {"msgid \"\\x\"\nmsgstr \"\"\n", "line 1: \\x without hexadecimal digits"},
        {"msgid \"\\0\"\nmsgstr \"\"\n", "line 1: the escape \\0 does not stand for a character"},
        {"msgid \"\\xE9\"\nmsgstr \"\"\n", "line 1: the escape \\xE9 does not stand for a character"},
        {"msgid \"a\"\nmsgid_plural \"b\"\n", "line 2: msgid_plural: these texts have no plural forms"},
        {"msgid \"\xC3\"\nmsgstr \"\"\n", "line 1: the line is not UTF-8 text"},
        {good + "msgid \"\"\nmsgstr \"\"\n", "line 4: a message without msgctxt and with an empty msgid"},
        {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=CP1250\\n\"\n", "line 1: the header names the charset cp1250"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NE(test::ErrorOf([&] { ReadPo(c.text, "t.po"); }).find("t.po, " + c.error), std::string::npos)
            << test::ErrorOf([&] { ReadPo(c.text, "t.po"); });
    }
}

TEST(CsvFile, WrittenRecordsReadBackTheSame)
{
    std::string text;
    std::vector<std::size_t> lines;  // where each record starts
    for (std::size_t i = 0; i + 2 < kTricky.size(); ++i) {
        lines.push_back(1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
        AppendCsvRecord(text, {kTricky[i], kTricky[i + 1], kTricky[i + 2]});
    }
    const std::vector<CsvRecord> records = ReadCsv(text, "t.csv");
    ASSERT_EQ(records.size(), kTricky.size() - 2);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].fields, (std::vector<std::string>{kTricky[i], kTricky[i + 1], kTricky[i + 2]})) << i;
        EXPECT_EQ(records[i].line, lines[i]) << i;
    }
    // Plain fields stay plain; the others are quoted with their quotes doubled.
    std::string one;
    AppendCsvRecord(one, {"plain", "a,b", "say \"x\""});
    EXPECT_EQ(one, "plain,\"a,b\",\"say \"\"x\"\"\"\r\n");
}

TEST(CsvFile, MalformedFilesAreRefusedNamingTheLine)
{
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"a,b\nc,d,e\n", "line 2: 3 fields where the first record has 2"},
        {"a,b\nc,d\"\n", "line 2: a double quote inside a field"},
        {"a,\"b\nc\"x,d\n", "line 2: text after the closing double quote"},
        {"a,b\n\"c,d\n\n", "line 2: a field enclosed in double quotes that never closes"},
        {"a,b\rc,d\n", "line 1: a CR outside double quotes"},
        {"a,\xFF\n", "line 1: a field that is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NE(test::ErrorOf([&] { ReadCsv(c.text, "t.csv"); }).find("t.csv, " + c.error), std::string::npos)
            << test::ErrorOf([&] { ReadCsv(c.text, "t.csv"); });
    }
}

TEST(MessageTexts, EveryByteComesBackThroughEveryForm)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    all += "<$41><";
    for (const CharTable& table : {CharTable::Ascii(), CharTable::Load("windows-1250", "")}) {
        SCOPED_TRACE(table.Name());
        const std::string text = MessageText(all, table);
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            EXPECT_TRUE(byte >= 0x20 || c == '\n' || c == '\t') << int(byte);  // no control but line break and tab
        }
        std::string bytes;
        EXPECT_EQ(MessageBytes(text, table, bytes), std::nullopt);
        EXPECT_EQ(bytes, all);
    }
    std::string bytes;
    EXPECT_EQ(MessageBytes("ok\nnot \xC4\x99", CharTable::Ascii(), bytes),
              "line 2 of the text, column 5: the character \"ę\" (U+0119) has no byte in ASCII");
}

}  // namespace
}  // namespace eit
