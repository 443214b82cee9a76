// The results pane and its Rich Text Format file.
#include "FormFixture.h"

#include <QProcess>
#include <QStandardPaths>

#include "window/RtfWriter.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

namespace {
// The text lines unrtf reads from an RTF file: what follows its banner.
std::optional<std::vector<std::string>> UnrtfLines(const std::string& path)
{
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--text"), QString::fromLocal8Bit(path)});
    if (!unrtf.waitForFinished(30000) || unrtf.exitCode() != 0) return std::nullopt;
    QByteArray out = unrtf.readAllStandardOutput();
    qsizetype banner = out.indexOf("-----------------\n");
    if (banner < 0) return std::nullopt;
    std::vector<std::string> lines;
    for (const QByteArray& line : out.mid(banner + 18).split('\n')) lines.push_back(line.toStdString());
    if (!lines.empty() && lines.back().empty()) lines.pop_back();  // after the last line end
    return lines;
}
}  // namespace

class ResultsTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init() { MakeForm(); }
    void cleanup() { DropForm(); }

    void rtfEscapesItsSpecialCharactersAndEveryOtherByte()
    {
        QCOMPARE(RtfEscaped("Item 0 a.txt extracted."), std::string("Item 0 a.txt extracted."));
        QCOMPARE(RtfEscaped("a\\b{c}"), std::string("a\\\\b\\{c\\}"));
        QCOMPARE(RtfEscaped(std::string("\x80\xE9\xFF\t\x01\x7F", 6)), std::string("\\'80\\'e9\\'ff\\'09\\'01\\'7f"));
    }

    void savedResultsAreRichTextThatReadsBackToThePanesLines()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty()) QSKIP("unrtf is not installed");
        std::vector<std::string> lines = {"Item 0 data\\first{1}.txt extracted.", "", "caf\xE9 \xA9 2\tcolumns",
                                          "{\\rtf1 not a group}", "Total 12 bytes extracted."};
        Reporter& report = form->Reporter();
        for (const std::string& line : lines) report.AddResult(line);
        form->Reporter().Flush();
        // The user edits a line in the pane: the file holds what the pane holds.
        QVERIFY(Pane()->model()->setData(Pane()->model()->index(1, 0), QStringLiteral("typed by hand"), Qt::EditRole));
        lines[1] = "typed by hand";

        dialogs->saveAnswers.push_back(Path("results.txt"));
        form->SaveLogClick();
        std::string saved = ReadAll(Path("results.txt"));
        QVERIFY(saved.starts_with("{\\rtf1\\ansi"));
        QVERIFY(saved.find("caf\\'e9") != std::string::npos);
        std::optional<std::vector<std::string>> readBack = UnrtfLines(Path("results.txt"));
        QVERIFY(readBack);
        QCOMPARE(Strings(*readBack), Strings(lines));
        QCOMPARE(*readBack, lines);  // byte for byte
        QCOMPARE(dialogs->messages, std::vector<std::string>{"Operation status|results.txt"});
    }

    void paneShowsAddedLinesInBatchesAndClears()
    {
        Reporter& report = form->Reporter();
        for (int i = 0; i < 100000; ++i) report.AddResult("line " + std::to_string(i));
        QCOMPARE(report.ResultCount(), std::size_t{100000});
        QCOMPARE(Pane()->model()->rowCount(), 0);  // not shown before the next flush
        form->Reporter().Flush();
        QCOMPARE(Pane()->model()->rowCount(), 100000);
        QCOMPARE(Pane()->model()->index(99999, 0).data().toString(), QStringLiteral("line 99999"));
        report.ClearResults();
        QCOMPARE(report.ResultCount(), std::size_t{0});
        QCOMPARE(Pane()->model()->rowCount(), 0);
    }
};

QTEST_MAIN(ResultsTest)
#include "ResultsTest.moc"
