// Runs started from the window over LIB packages: the channels on the
// controls, the buttons during and after a run, Stop, closing, errors and
// saving the results.
#include "FormFixture.h"

#include <QTimer>

#include "formats/Formats.h"
#include "platform/LineList.h"
#include "platform/Paths.h"
#include "support/CifBuilder.h"
#include "support/FontBuilder.h"
#include "support/LibBuilder.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

namespace {
const QString kAllListCommands = QStringLiteral("BSaveList BRemLog BClearAll BProcess");

// Runs `look` at the run's first event pumping, while the first item is under way.
void AtFirstPump(std::function<void()> look) { QTimer::singleShot(0, std::move(look)); }
}  // namespace

class WindowRunTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init()
    {
        MakeForm();
        CreateFolders(Path("out"));
        dialogs->folder = Path("out");
    }
    void cleanup() { DropForm(); }

    void extractionRunShowsItsWorkOnEveryControl()
    {
        form->Reporter().SetPumpInterval(std::chrono::milliseconds(0));
        AddThrough(1, {Package("a.lib", 4), Package("b.lib", 2), Package("c.lib", 1)});
        std::vector<int> progress, total;
        connect(Bar("Progress"), &QProgressBar::valueChanged, [&](int v) { progress.push_back(v); });
        connect(Bar("Total"), &QProgressBar::valueChanged, [&](int v) { total.push_back(v); });
        form->BProcessClick();

        QStringList expected;
        std::uint64_t bytes = 0;
        for (auto [name, count] : {std::pair{"a.lib", 4}, {"b.lib", 2}, {"c.lib", 1}}) {
            for (int i = 0; i < count; ++i) {
                expected << QStringLiteral("Item %1 item%1.dat extracted.").arg(i);
                bytes += ItemData(name, i).size();
            }
        }
        expected << QStringLiteral("Total %1 bytes extracted.").arg(bytes)
                 << "Operation log saved as " + QString::fromStdString(JoinPath(Path("out"), "result.log"));
        QCOMPARE(PaneLines(), expected);
        QCOMPARE(Pane()->model()->rowCount(), expected.size());  // every line shown
        QCOMPARE(progress, (std::vector<int>{25, 50, 75, 0, 50, 0}));
        QCOMPARE(total, (std::vector<int>{33, 66, 0}));
        QCOMPARE(Label("CurrentMessage")->text(), QString());
        QCOMPARE(Label("Extracted")->text(), QString());
        QCOMPARE(dialogs->pickerStarts.size(), std::size_t{1});
        QCOMPARE(dialogs->messages, std::vector<std::string>{"Process status:|Operation complete!"});

        LineList log;
        log.LoadFromFile(Path("out/result.log"));
        QCOMPARE(log.Count(), std::size_t{2 + 4 + 2 + 2 + 2 + 1});
        QCOMPARE(log[0], std::string_view("#Format: LIB"));
        QCOMPARE(std::string(log[1]), "#Source: " + Path("in/a.lib"));
        std::string firstItem = JoinPath(JoinPath(Path("out"), "DAT"), "a_item0.dat");
        QCOMPARE(std::string(log[2]), "#Target: " + firstItem);
        QCOMPARE(ReadAll(firstItem), ItemData("a.lib", 0));
        QCOMPARE(std::string(log[12]), "#Target: " + JoinPath(JoinPath(Path("out"), "DAT"), "c_item0.dat"));
    }

    void toolbarRestsDuringTheRunAndComesBackAfterIt()
    {
        AddThrough(1, {Package("a.lib", 3)});
        QString during, message, extracted;
        bool addLog = true, exit = true;
        AtFirstPump([&] {
            during = EnabledButtons();
            addLog = Button("BAddLog")->isEnabled();
            exit = Button("BExit")->isEnabled();
            message = Label("CurrentMessage")->text();
            extracted = Label("Extracted")->text();
            form->DropFiles({Path("in/other.lib")});  // the list does not change during a run
            form->BProcessClick();                     // nor does a second run start
        });
        form->BProcessClick();
        QCOMPARE(during, QStringLiteral("Stop"));
        QVERIFY(!addLog && !exit);
        QCOMPARE(message, QStringLiteral("Extracting item0.dat from a.lib..."));
        QCOMPARE(extracted, QStringLiteral("Extracted: 0"));
        QCOMPARE(Entries(), Strings({Path("in/a.lib")}));
        QCOMPARE(dialogs->pickerStarts.size(), std::size_t{1});
        QCOMPARE(EnabledButtons(), kAllListCommands + " SaveLog");
        QVERIFY(Button("BAddLog")->isEnabled() && Button("BExit")->isEnabled());
        QVERIFY(!form->Running());
    }

    void stopEndsTheRunAfterTheItemUnderWay()
    {
        AddThrough(1, {Package("a.lib", 20)});
        AtFirstPump([&] { Button("Stop")->click(); });
        form->BProcessClick();
        QCOMPARE(PaneLines(), QStringList({"Item 0 item0.dat extracted.", "Run stopped by user.",
                                           QStringLiteral("Total %1 bytes extracted.").arg(ItemData("a.lib", 0).size())}));
        QVERIFY(!Exists(Path("out/result.log")));  // a stopped group would not replay right
        QCOMPARE(EnabledButtons(), kAllListCommands + " SaveLog");
        QCOMPARE(dialogs->messages, std::vector<std::string>{"Process status:|Operation complete!"});
    }

    void closingDuringTheRunAsksAndClosesWhenItHasEnded()
    {
        form->show();
        AddThrough(1, {Package("a.lib", 20)});
        AtFirstPump([&] { form->close(); });
        form->BProcessClick();
        QCOMPARE(dialogs->questions.size(), std::size_t{1});
        QVERIFY(PaneLines().contains("Run stopped by user."));
        QVERIFY(!form->isVisible());
    }

    void closingDuringTheRunCanBeDeclined()
    {
        form->show();
        dialogs->answerYes = false;
        AddThrough(1, {Package("a.lib", 5)});
        AtFirstPump([&] { form->close(); });
        form->BProcessClick();
        QCOMPARE(dialogs->questions.size(), std::size_t{1});
        QCOMPARE(PaneLines().size(), 7);  // five items, the byte total and the log's path
        QVERIFY(form->isVisible());
    }

    void failedRunShowsItsErrorAndRestoresTheButtons()
    {
        AddThrough(1, {Package("a.lib", 2), Path("in/b.lib")});
        form->BProcessClick();
        QCOMPARE(dialogs->errors, std::vector<std::string>{"Cannot open file " + Path("in/b.lib")});
        QVERIFY(dialogs->messages.empty());
        QVERIFY(!Exists(Path("out/result.log")));
        QCOMPARE(EnabledButtons(), kAllListCommands + " SaveLog");  // Stop off again
        QVERIFY(Button("BAddLog")->isEnabled() && Button("BExit")->isEnabled());

        Package("b.lib", 1);  // the window is usable: the next run goes through
        form->BProcessClick();
        QCOMPARE(dialogs->messages, std::vector<std::string>{"Process status:|Operation complete!"});
        QVERIFY(Exists(Path("out/result.log")));
    }

    void saveResultsDisablesItselfUntilTheNextEntryIsProcessed()
    {
        AddThrough(1, {Package("a.lib", 2)});
        form->BProcessClick();
        form->SaveLogClick();  // cancelled: nothing happens
        QVERIFY(Button("SaveLog")->isEnabled());
        dialogs->saveAnswers.push_back(Path("out/results.rtf"));
        form->SaveLogClick();
        QCOMPARE(dialogs->saveTitles, (std::vector<std::string>{"Select target...", "Select target..."}));
        QCOMPARE(dialogs->messages.back(), std::string("Operation status|results.rtf"));
        QVERIFY(ReadAll(Path("out/results.rtf")).starts_with("{\\rtf1"));
        QVERIFY(!Button("SaveLog")->isEnabled());

        bool duringNextEntry = true;
        AtFirstPump([&] { duringNextEntry = Button("SaveLog")->isEnabled(); });
        form->BProcessClick();
        QVERIFY(!duringNextEntry);
        QVERIFY(Button("SaveLog")->isEnabled());
    }

    void resultsThatCannotBeSavedShowTheErrorAndKeepTheButton()
    {
        AddThrough(1, {Package("a.lib", 1)});
        form->BProcessClick();
        std::size_t messages = dialogs->messages.size();
        dialogs->saveAnswers.push_back(Path("no/such/folder/results.rtf"));
        form->SaveLogClick();
        QCOMPARE(dialogs->errors, std::vector<std::string>{"Cannot create file " + Path("no/such/folder/results.rtf")});
        QCOMPARE(dialogs->messages.size(), messages);
        QVERIFY(Button("SaveLog")->isEnabled());
    }

    void editedItemGoesBackThroughTheLogFromTheWindow()
    {
        AddThrough(1, {Package("a.lib", 3)});
        form->BProcessClick();
        std::string item = JoinPath(JoinPath(Path("out"), "DAT"), "a_item1.dat");
        WriteAll(item, "edited item");
        dialogs->messages.clear();
        AddThrough(5, {Path("out/result.log")});
        QCOMPARE(form->JobKind(), eit::JobKind::ReplayLogs);
        std::string logBefore = ReadAll(Path("out/result.log"));
        form->BProcessClick();
        QCOMPARE(PaneLines(), QStringList({"Item a_item0.dat inserted.", "Item a_item1.dat inserted.",
                                           "Item a_item2.dat inserted."}));
        QCOMPARE(ReadAll(Path("in/a.lib")), eit::test::MakeLib({{"item0.dat", ItemData("a.lib", 0)},
                                                            {"item1.dat", "edited item"},
                                                            {"item2.dat", ItemData("a.lib", 2)}}));
        QCOMPARE(ReadAll(Path("out/result.log")), logBefore);  // a replay writes no log
        QCOMPARE(dialogs->messages, std::vector<std::string>{"Process status:|Operation complete!"});
    }

    void checkShowsWhatTheReplayWouldDoAndWritesNothing()
    {
        AddThrough(1, {Package("a.lib", 3)});
        form->BProcessClick();
        WriteAll(JoinPath(JoinPath(Path("out"), "DAT"), "a_item1.dat"), "edited item");
        AddThrough(5, {Path("out/result.log")});
        const std::string package = ReadAll(Path("in/a.lib"));
        form->BCheckClick();
        QCOMPARE(PaneLines(), QStringList({QString::fromStdString(Path("in/a.lib") + ": 3 items, 1 differs"),
                                           "The replay would succeed."}));
        QCOMPARE(ReadAll(Path("in/a.lib")), package);
        QVERIFY(dialogs->errors.empty());
    }

    void fontRunAsksForAPaletteThroughTheOpenActDialog()
    {
        WriteAll(Path("in/face.fnt"), eit::test::MakeFont({eit::test::PatternGlyph(1, 5, 7, 2)}));
        WriteAll(Path("in/colours.act"), eit::test::TestPalette());
        form->DropFiles({Path("in/face.fnt")});
        form->BProcessClick();  // no palette given: the run ends with an error
        QCOMPARE(dialogs->openFileTitles, std::vector<std::string>{"Select palette..."});
        QCOMPARE(dialogs->errors.size(), std::size_t{1});

        dialogs->openFile = Path("in/colours.act");
        form->BProcessClick();
        QCOMPARE(dialogs->openFileTitles.size(), std::size_t{2});
        QCOMPARE(dialogs->errors.size(), std::size_t{1});
        QCOMPARE(PaneLines(), QStringList({"face.fnt converted to bitmap font.",
                                           QStringLiteral("Total %1 bytes extracted.").arg(QFileInfo(QString::fromStdString(Path("out/face.bmp"))).size()),
                                           "Operation log saved as " + QString::fromStdString(JoinPath(Path("out"), "result.log"))}));
        LineList log;
        log.LoadFromFile(Path("out/result.log"));
        QCOMPARE(log[0], std::string_view("#Format: FNT"));
    }

    void textRunAsksOnceForTheEncodingAndNamesItInTheResults()
    {
        WriteAll(Path("in/a.cif"), eit::test::BuildCif(eit::test::CifOfTexts({"g\xEA\x9C"}, "1")));
        WriteAll(Path("in/b.tab"), eit::test::BuildCif(eit::test::CifOfTexts({"\xB3"})));
        form->DropFiles({Path("in/a.cif"), Path("in/b.tab")});
        dialogs->encoding = TextEncoding{"windows-1250", ""};
        form->BProcessClick();
        QCOMPARE(dialogs->encodingsAsked, 1);
        QCOMPARE(PaneLines().first(), QStringLiteral("Text encoding: windows-1250"));
        QCOMPARE(ReadAll(Path("out/a.txt")), "\xEF\xBB\xBF" + eit::test::TxtOf({"gęś"}));

        dialogs->encoding.reset();  // giving up the question stops the run
        form->BProcessClick();
        QCOMPARE(dialogs->encodingsAsked, 2);
        QCOMPARE(PaneLines(), QStringList({"Run stopped by user."}));
        QVERIFY(dialogs->errors.empty());
    }

    void translationCommandsAskForFileTemplateAndEncoding()
    {
        WriteAll(Path("in/menu.tab"), eit::test::BuildCif(eit::test::CifOfTexts({"Start", "Quit"})));
        form->DropFiles({Path("in/menu.tab")});
        form->BExportTranslationClick();  // the list holds no logs yet
        QCOMPARE(dialogs->errors.size(), std::size_t{1});
        QVERIFY(dialogs->saveTitles.empty());
        form->BProcessClick();
        AddThrough(5, {Path("out/result.log")});

        const std::string untouched = ReadAll(Path("out/menu.txt"));
        WriteAll(Path("out/menu.txt"), eit::test::TxtOf({"Start", "Koniec"}));
        dialogs->saveAnswers = {Path("t.po")};
        dialogs->answerYes = false;  // the game's texts from the CIF files
        form->BExportTranslationClick();
        QCOMPARE(dialogs->saveTitles, std::vector<std::string>{"Export for translation..."});
        QVERIFY(dialogs->questions.back().rfind("Take the game's texts from a template (.pot)", 0) == 0);
        QCOMPARE(PaneLines(), QStringList({"t.po: 2 texts of 1 CIF file, 1 translated."}));
        QVERIFY(ReadAll(Path("t.po")).find("msgid \"Quit\"\nmsgstr \"Koniec\"") != std::string::npos);

        // Cancelling the template's dialog imports nothing.
        WriteAll(Path("out/menu.txt"), untouched);
        dialogs->answerYes = true;
        dialogs->openFileAnswers = {Path("t.po")};
        form->BImportTranslationClick();
        QCOMPARE(ReadAll(Path("out/menu.txt")), untouched);

        dialogs->answerYes = false;
        dialogs->openFileAnswers = {Path("t.po")};
        form->BImportTranslationClick();
        QCOMPARE(dialogs->openFileTitles, (std::vector<std::string>{"Import translation...", "Select template...", "Import translation..."}));
        QCOMPARE(dialogs->encodingsAsked, 3);
        QCOMPARE(ReadAll(Path("out/menu.txt")), eit::test::TxtOf({"Start", "Koniec"}));
        QCOMPARE(PaneLines().last(), QStringLiteral("1 translated text written into 1 .txt file; 1 untranslated and 0 fuzzy left as they stand."));
        QCOMPARE(dialogs->errors.size(), std::size_t{1});
    }
};

QTEST_MAIN(WindowRunTest)
#include "WindowRunTest.moc"
