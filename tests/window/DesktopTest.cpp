// The window as a desktop user meets it: resizing, the menu's shortcuts, Tab,
// what the job list says it holds, the entry under way, the question before a
// change of kind empties the list, and the commands around a run.
#include "FormFixture.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QTimer>

#include "formats/Formats.h"
#include "platform/Paths.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

class DesktopTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init() { MakeForm(); }
    void cleanup() { DropForm(); }

    void resizingGivesTheRoomToTheListAndTheResults()
    {
        ShowActive();
        QWidget* client = form->centralWidget();
        const QSize frame = form->size() - client->size();
        form->resize(QSize(1000, 700) + frame);
        QTRY_COMPARE(client->size(), QSize(1000, 700));
        // 608 pixels between toolbar and group box, shared 189 to 183.
        QCOMPARE(Place("ToolBar1"), QRect(0, 0, 1000, 26));
        QCOMPARE(Place("LogList"), QRect(0, 26, 1000, 308));
        QCOMPARE(Place("Results"), QRect(0, 334, 1000, 300));
        QCOMPARE(Place("GroupBox1"), QRect(0, 634, 1000, 66));
        QCOMPARE(Place("SaveLog"), QRect(818, 10, 105, 19));
        QCOMPARE(Place("Stop"), QRect(924, 10, 71, 19));
        QCOMPARE(Place("Progress"), QRect(12, 32, 983, 13));
        QCOMPARE(Place("Total"), QRect(12, 48, 983, 13));
        QCOMPARE(Label("Extracted")->pos(), QPoint(646, 14));

        form->resize(QSize(100, 100));  // no smaller than the minimum, and nothing overlaps
        QTRY_COMPARE(client->size(), client->minimumSize());
        QVERIFY(client->minimumWidth() >= 480 && client->minimumHeight() >= 300);
        QVERIFY(Place("Results").height() > 50 && Place("LogList").height() > 50);
        QVERIFY(Place("Extracted").right() < Place("SaveLog").left());

        form->resize(QSize(688, 464) + frame);  // back at the form's size, in the form's places
        QTRY_COMPARE(client->size(), QSize(688, 464));
        QCOMPARE(Place("LogList"), QRect(0, 26, 688, 189));
        QCOMPARE(Place("Results"), QRect(0, 215, 688, 183));
        QCOMPARE(Place("SaveLog"), QRect(506, 10, 105, 19));
        QCOMPARE(Label("Extracted")->pos(), QPoint(334, 14));

        form->showMaximized();
        QTRY_VERIFY(client->width() > 688);
    }

    void largeCountsStayClearOfSaveResults()
    {
        ShowActive();
        form->Reporter().CurrentMessage(std::string(300, 'm'));
        form->Reporter().Extracted("Extracted: 4294967295 of 4294967295");
        form->Reporter().Flush();
        QVERIFY(Label("Extracted")->width() > 172);  // wider than its room at the start
        QVERIFY(Place("Extracted").right() < Place("SaveLog").left());
        QVERIFY(Place("CurrentMessage").right() < Place("Extracted").left());
        form->Reporter().Extracted("Extracted: 3");
        form->Reporter().Flush();
        QCOMPARE(Label("Extracted")->pos(), QPoint(334, 14));
    }

    void everyShortcutReachesItsCommand()
    {
        auto selectFirst = [this] {
            List()->setCurrentRow(0);
            List()->item(0)->setSelected(true);
        };
        struct Case {
            const char* keys;
            std::function<void()> before;
            std::function<bool()> reached;
        };
        const Case cases[] = {
            {"Ctrl+O", [] {}, [this] { return dialogs->openFilterIndexes.size() == 2; }},  // after the one that filled the list
            {"Ctrl+S", [] {}, [this] { return dialogs->saveTitles == std::vector<std::string>{"Select file..."}; }},
            {"Del", selectFirst, [this] { return Entries() == QStringList({"b.lib"}); }},
            {"F5", [] {}, [this] { return dialogs->pickerStarts.size() == 1; }},
            {"Ctrl+Q", [] {}, [this] { return !form->isVisible(); }},
        };
        for (const Case& c : cases) {
            DropForm();
            MakeForm();
            ShowActive();
            AddThrough(1, {"a.lib", "b.lib"});
            c.before();
            QTest::keySequence(form.get(), QKeySequence(QString::fromLatin1(c.keys)));
            QVERIFY2(c.reached(), c.keys);
        }
    }

    void escapeStopsTheRun()
    {
        ShowActive();
        Prepare({Package("a.lib", 20)});
        QTimer::singleShot(0, [this] { QTest::keyClick(form.get(), Qt::Key_Escape); });
        form->BProcessClick();
        QVERIFY(PaneLines().contains("Run stopped by user."));
    }

    void toolbarTooltipsNameTheShortcuts()
    {
        const std::pair<const char*, const char*> tips[] = {
            {"BAddLog", "Add files (Ctrl+O)"}, {"BSaveList", "Save project list (Ctrl+S)"},
            {"BRemLog", "Remove entries (Del)"}, {"BClearAll", "Clear list"},
            {"BProcess", "Process (F5)"}, {"BExit", "Exit (Ctrl+Q)"}, {"Stop", "Stop (Esc)"}};
        for (auto [button, tip] : tips) QCOMPARE(Button(button)->toolTip(), QString::fromLatin1(tip));
        QCOMPARE(Button("Stop")->text(), QStringLiteral("Stop"));
    }

    void tabMovesBetweenListResultsAndButtons()
    {
        ShowActive();
        AddThrough(1, {"a.lib"});
        List()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(List()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Pane()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // Save results and Stop are off: round to the toolbar
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Button("BAddLog")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Pane()));
    }

    void captionSaysWhatTheListHolds()
    {
        auto caption = [this] { return Label("KindCaption")->text(); };
        QCOMPARE(caption(), QString());
        AddThrough(1, {"a.lib", "b.lib"});
        QCOMPARE(caption(), QStringLiteral("LIB packages: 2 files"));
        List()->item(0)->setSelected(true);
        form->BRemLogClick();
        QCOMPARE(caption(), QStringLiteral("LIB packages: 1 file"));
        form->DropFiles({Path("c.FNT")});
        QCOMPARE(caption(), QStringLiteral("CIF fonts: 1 file"));
        WriteAll(Path("p.lst"), "x.log\r\ny.log\r\nz.log\r\n");
        AddThrough(4, {Path("p.lst")});
        QCOMPARE(caption(), QStringLiteral("Operation logs of a project list: 3 files"));
        form->BClearAllClick();
        QCOMPARE(caption(), QString());
    }

    void entryUnderWayIsMarked()
    {
        Prepare({Package("a.lib", 2), Package("b.lib", 3), Package("c.lib", 1)});
        form->Reporter().SetPumpInterval(std::chrono::milliseconds(0));
        std::vector<int> marked;
        connect(Bar("Progress"), &QProgressBar::valueChanged, [&] {
            int row = List()->EntryUnderWay();
            QVERIFY(row >= 0 && List()->item(row)->font().bold());
            for (int i = 0; i < List()->count(); ++i) QCOMPARE(List()->item(i)->font().bold(), i == row);
            if (marked.empty() || marked.back() != row) marked.push_back(row);
        });
        form->BProcessClick();
        QCOMPARE(marked, (std::vector<int>{0, 1, 2}));
        QCOMPARE(List()->EntryUnderWay(), -1);
        for (int i = 0; i < List()->count(); ++i) QVERIFY(!List()->item(i)->font().bold());
    }

    void changeOfKindAsksBeforeItEmptiesTheList()
    {
        AddThrough(1, {"a.lib", "b.lib"});
        dialogs->answerYes = false;
        AddThrough(2, {"t.cif"});
        form->DropFiles({Path("f.fnt")});
        QCOMPARE(dialogs->questions.size(), std::size_t{2});
        QCOMPARE(dialogs->questions[0],
                 std::string("Adding CIF text files empties the job list (LIB packages: 2 files). Go on?"));
        QCOMPARE(dialogs->questions[1], std::string("Adding CIF fonts empties the job list (LIB packages: 2 files). Go on?"));
        QCOMPARE(Entries(), QStringList({"a.lib", "b.lib"}));  // declined: the list stays, and its kind
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractLib);
        QCOMPARE(form->SelectLogFilterIndex(), 1);
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));

        AddThrough(1, {"c.lib"});  // the same kind appends without a question
        QCOMPARE(dialogs->questions.size(), std::size_t{2});
        dialogs->answerYes = true;
        AddThrough(2, {"t.cif"});
        QCOMPARE(dialogs->questions.size(), std::size_t{3});
        QCOMPARE(Entries(), QStringList({"t.cif"}));
        form->BClearAllClick();
        AddThrough(1, {"d.lib"});  // an empty list has nothing to lose
        QCOMPARE(dialogs->questions.size(), std::size_t{3});
        QCOMPARE(Entries(), QStringList({"d.lib"}));
    }

    void resultsEndWithTheLogAndItsFolderOpens()
    {
        QAction* openTarget = Command("&Open target folder");
        QVERIFY(!openTarget->isEnabled());
        Prepare({Package("a.lib", 1)});
        form->BProcessClick();
        const std::string log = JoinPath(Path("out"), "result.log");
        QCOMPARE(PaneLines().last(), QString::fromStdString("Operation log saved as " + log));
        QVERIFY(Exists(log));
        QVERIFY(openTarget->isEnabled());
        openTarget->trigger();
        QCOMPARE(dialogs->shownFolders, std::vector<std::string>{Path("out")});

        AddThrough(5, {log});  // a replay writes no log, and says nothing of one
        form->BProcessClick();
        QVERIFY(!PaneLines().join('\n').contains("Operation log saved as"));
    }

    void aboutNamesVersionAndLicence()
    {
        Command("&About...")->trigger();
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QVERIFY(dialogs->messages[0].starts_with("About Extract\\Insert Tool|Extract\\Insert Tool 0."));
        QVERIFY(dialogs->messages[0].find("Licence: ") != std::string::npos);
    }

private:
    void ShowActive()
    {
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    QRect Place(const char* name) const { return form->findChild<QWidget*>(name)->geometry(); }
    QAction* Command(const QString& text) const
    {
        for (QAction* menu : form->menuBar()->actions()) {
            for (QAction* command : menu->menu()->actions()) {
                if (command->text() == text) return command;
            }
        }
        qFatal("no command %s", qPrintable(text));
    }
    // The job list filled with `packages`, and the picker answered with dir/out.
    void Prepare(const std::vector<std::string>& packages)
    {
        CreateFolders(Path("out"));
        dialogs->folder = Path("out");
        AddThrough(1, packages);
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
