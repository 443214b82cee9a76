// The window's layout and the job list commands with the enabled state of
// their buttons.
#include "FormFixture.h"

#include <QGroupBox>
#include <QMimeData>
#include <QToolButton>

#include "formats/Formats.h"
#include "jobs/ProjectList.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

namespace {
// Whether every visible pixel is grey, and whether any is strongly coloured.
std::pair<bool, bool> GreyAndColoured(const QPixmap& pixmap)
{
    QImage image = pixmap.toImage();
    bool grey = true, coloured = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0) continue;
            grey = grey && c.red() == c.green() && c.green() == c.blue();
            coloured = coloured || c.hsvSaturation() > 128;
        }
    }
    return {grey, coloured};
}
}  // namespace

class JobListTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init() { MakeForm(); }
    void cleanup() { DropForm(); }

    void controlsHaveTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        QTest::newRow("ToolBar1") << "ToolBar1" << QRect(0, 0, 688, 26);
        QTest::newRow("LogList") << "LogList" << QRect(0, 26, 688, 189);
        QTest::newRow("Results") << "Results" << QRect(0, 215, 688, 183);
        QTest::newRow("GroupBox1") << "GroupBox1" << QRect(0, 398, 688, 66);
        QTest::newRow("SaveLog") << "SaveLog" << QRect(506, 10, 105, 19);
        QTest::newRow("Stop") << "Stop" << QRect(612, 10, 71, 19);
        QTest::newRow("Progress") << "Progress" << QRect(12, 32, 671, 13);
        QTest::newRow("Total") << "Total" << QRect(12, 48, 671, 13);
        int left = 0;
        for (const char* button : {"BAddLog", "BSaveList", "BRemLog", "BClearAll", "BProcess", "BExit"}) {
            QTest::newRow(button) << button << QRect(left, 1, 23, 22);
            left += 23;
        }
    }
    void controlsHaveTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        QWidget* control = form->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), place);
    }

    void windowStartsAsDescribed()
    {
        QCOMPARE(form->objectName(), QStringLiteral("MainForm"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Extract\\Insert Tool"));
        QCOMPARE(form->centralWidget()->size(), QSize(688, 464));  // the client area, under the menu bar
        QVERIFY(form->centralWidget()->minimumWidth() < 688 && form->maximumWidth() > 688);  // resizable
        QCOMPARE(form->findChild<QGroupBox*>("GroupBox1")->title(), QStringLiteral(" Process "));
        QCOMPARE(Label("Extracted")->text(), QStringLiteral("Extracted: 0"));
        QCOMPARE(Label("Extracted")->pos(), QPoint(334, 14));
        QCOMPARE(Label("CurrentMessage")->text(), QString());
        QCOMPARE(Label("CurrentMessage")->pos(), QPoint(12, 16));
        QCOMPARE(Label("PFile")->pos(), QPoint(11, 16));
        QCOMPARE(Button("SaveLog")->text(), QStringLiteral("Save results"));
        QCOMPARE(Button("Stop")->text(), QStringLiteral("Stop"));
        for (const char* bar : {"Progress", "Total"}) {
            QCOMPARE(Bar(bar)->minimum(), 0);
            QCOMPARE(Bar(bar)->maximum(), 100);
            QCOMPARE(Bar(bar)->value(), 0);
        }
        QCOMPARE(List()->count(), 0);
        QCOMPARE(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(Pane()->model()->rowCount(), 0);
        QCOMPARE(EnabledButtons(), QString());
        QVERIFY(Button("BAddLog")->isEnabled());
        QVERIFY(Button("BExit")->isEnabled());
        QCOMPARE(form->JobKind(), eit::JobKind::None);
    }

    void toolbarShowsColouredImagesAndGreyFormsWithTooltips()
    {
        QSet<QByteArray> seen;
        for (const char* name : {"BAddLog", "BSaveList", "BRemLog", "BClearAll", "BProcess", "BExit"}) {
            auto* button = form->findChild<QToolButton*>(name);
            QVERIFY(!button->toolTip().isEmpty());
            QPixmap on = button->icon().pixmap(16, 16, QIcon::Normal);
            QPixmap off = button->icon().pixmap(16, 16, QIcon::Disabled);
            QCOMPARE(on.size(), QSize(16, 16));
            QVERIFY2(GreyAndColoured(on).second, name);
            QVERIFY2(GreyAndColoured(off).first, name);
            QVERIFY2(on.toImage() != off.toImage(), name);
            QImage image = on.toImage();
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 6);  // six different pictures
    }

    void addingFilesFollowsTheEnabledStateTable()
    {
        QString duringDialog;
        dialogs->whileAsked = [&] { duringDialog = EnabledButtons(); };
        AddThrough(2, {Path("a.cif"), Path("b.sal")});
        QCOMPARE(duringDialog, QString());
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractCifText);

        form->BAddLogClick();  // cancelled: the commands come back, the list stays
        QCOMPARE(duringDialog, QStringLiteral("BClearAll"));
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
        QCOMPARE(Entries(), Strings({Path("a.cif"), Path("b.sal")}));

        form->BClearAllClick();
        QCOMPARE(EnabledButtons(), QString());
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractCifText);  // the kind stays
        form->BAddLogClick();
        QCOMPARE(EnabledButtons(), QString());
    }

    void changeOfKindEmptiesTheListAndTheSameKindAppends()
    {
        AddThrough(2, {Path("a.cif")});
        AddThrough(1, {Path("x.lib")});
        QCOMPARE(Entries(), Strings({Path("x.lib")}));
        AddThrough(1, {Path("y.lib"), Path("x.lib")});
        QCOMPARE(Entries(), Strings({Path("x.lib"), Path("y.lib"), Path("x.lib")}));
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractLib);
        form->BAddLogClick();
        QCOMPARE(dialogs->openFilterIndexes, (std::vector<int>{1, 2, 1, 1}));  // the last confirmed filter
    }

    void projectListAlwaysReplacesTheList()
    {
        WriteAll(Path("one.lst"), "first.log\r\n\r\nthird.log\n");
        WriteAll(Path("two.lst"), "other.log\r\n");
        AddThrough(5, {Path("a.log")});
        AddThrough(4, {Path("one.lst"), Path("two.lst")});  // only the first is read
        QCOMPARE(Entries(), QStringList({"first.log", "", "third.log"}));
        QCOMPARE(form->JobKind(), eit::JobKind::ReplayProject);
        AddThrough(4, {Path("two.lst")});
        QCOMPARE(Entries(), QStringList({"other.log"}));
    }

    void savedListOfPackagesComesBackAsListOfLogs()
    {
        AddThrough(1, {Path("a.lib"), Path("b.lib")});
        dialogs->saveAnswers.push_back(Path("list.lst"));
        form->BSaveListClick();
        QCOMPARE(dialogs->saveTitles, std::vector<std::string>{"Select file..."});
        QCOMPARE(QByteArray::fromStdString(ReadAll(Path("list.lst"))),
                 QByteArray::fromStdString(Path("a.lib") + "\r\n" + Path("b.lib") + "\r\n"));
        AddThrough(4, {Path("list.lst")});
        QCOMPARE(Entries(), Strings({Path("a.lib"), Path("b.lib")}));
        QCOMPARE(form->JobKind(), eit::JobKind::ReplayProject);
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
    }

    void removingKeepsTheOthersInOrderAndMovesTheFocusMark()
    {
        AddThrough(1, {"0.lib", "1.lib", "2.lib", "3.lib", "4.lib"});
        for (int row : {0, 1, 3}) List()->item(row)->setSelected(true);
        List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        form->BRemLogClick();
        QCOMPARE(Entries(), QStringList({"2.lib", "4.lib"}));
        QCOMPARE(List()->currentRow(), 1);
        QCOMPARE(List()->selectedItems().size(), 0);
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));

        List()->selectAll();
        form->BRemLogClick();
        QCOMPARE(List()->count(), 0);
        QCOMPARE(List()->currentRow(), -1);
        QCOMPARE(EnabledButtons(), QString());
    }

    void unreadableProjectListShowsItsErrorAndLeavesTheWindowUsable()
    {
        AddThrough(1, {"a.lib"});
        AddThrough(4, {Path("missing.lst")});
        QCOMPARE(dialogs->errors, std::vector<std::string>{"Cannot open file " + Path("missing.lst") + ": No such file or directory"});
        QCOMPARE(List()->count(), 0);  // emptied by the change of kind
        QCOMPARE(EnabledButtons(), QStringLiteral("BClearAll"));
        AddThrough(1, {"b.lib"});
        QCOMPARE(Entries(), QStringList({"b.lib"}));
    }

    void projectListThatCannotBeWrittenShowsItsError()
    {
        AddThrough(1, {"a.lib"});
        dialogs->saveAnswers.push_back(Path("no/such/folder/list.lst"));
        form->BSaveListClick();
        QCOMPARE(dialogs->errors, std::vector<std::string>{"Cannot create file " + Path("no/such/folder/list.lst") + ": No such file or directory"});
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
    }

    void droppedFilesAreAddedByTheKindOfTheirExtension()
    {
        WriteAll(Path("p.lst"), "x.log\r\ny.log\r\n");
        form->DropFiles({Path("a.CIF"), Path("b.tab")});
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractCifText);
        QCOMPARE(form->SelectLogFilterIndex(), 2);
        form->DropFiles({Path("c.lib")});
        QCOMPARE(Entries(), Strings({Path("c.lib")}));
        form->DropFiles({Path("p.lst")});
        QCOMPARE(Entries(), QStringList({"x.log", "y.log"}));
        QCOMPARE(form->JobKind(), eit::JobKind::ReplayProject);
        QCOMPARE(form->SelectLogFilterIndex(), 4);
        form->DropFiles({Path("r.log")});
        QCOMPARE(form->JobKind(), eit::JobKind::ReplayLogs);
        QCOMPARE(form->SelectLogFilterIndex(), 5);
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
    }

    void droppedFilesOfSeveralOrNoKindsAreRefused()
    {
        form->DropFiles({Path("a.lib")});
        form->DropFiles({Path("b.lib"), Path("c.fnt")});
        form->DropFiles({Path("notes.doc")});
        QCOMPARE(dialogs->errors.size(), std::size_t{2});
        QVERIFY(dialogs->errors[0].find(Path("c.fnt")) != std::string::npos);
        QVERIFY(dialogs->errors[1].find(Path("notes.doc")) != std::string::npos);
        QCOMPARE(Entries(), Strings({Path("a.lib")}));
        QCOMPARE(form->JobKind(), eit::JobKind::ExtractLib);
        QCOMPARE(EnabledButtons(), QStringLiteral("BSaveList BRemLog BClearAll BProcess"));
    }

    void dropEventFromAFileManagerReachesTheList()
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(Path("a.lib"))),
                      QUrl::fromLocalFile(QString::fromStdString(Path("b.lib")))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(List()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(List()->viewport(), &drop);
        QCOMPARE(Entries(), Strings({Path("a.lib"), Path("b.lib")}));
    }
};

QTEST_MAIN(JobListTest)
#include "JobListTest.moc"
