// The Qt side of the window's dialogs that can be exercised without showing
// a modal dialog: the filters and the folder picker's handling of a typed
// folder that does not exist.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "window/QtDialogs.h"
#include "support/Files.h"

using namespace eit::window;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void filtersBecomeQtNameFilters()
    {
        QCOMPARE(QtNameFilters(SelectLog.filter),
                 QStringList({"LIB packages (*.lib)", "CIF Text (*.cif *.sal *.tab)", "CIF Font (*.fnt)",
                              "Project list files (*.lst)", "Log files (*.log)"}));
        QCOMPARE(QtNameFilters(SaveRes.filter), QStringList({"Text files (*.txt)"}));
        QCOMPARE(QtNameFilters(OpenACT.filter), QStringList({"ACT palettes (*.act)"}));
        QCOMPARE(QString::fromStdString(OpenACT.title), QStringLiteral("Select palette..."));
    }

    void pickerAsksBeforeCreatingAMissingFolderWithItsParents()
    {
        eit::test::TempFolder dir;
        QString start = QString::fromStdString(dir.str());
        QString wanted = start + QStringLiteral("/new/deeper/target");
        bool answer = false;
        QStringList asked;
        FolderPicker picker(nullptr, start, [&](const QString& folder) {
            asked << folder;
            return answer;
        });
        QCOMPARE(picker.windowTitle(), QStringLiteral("Select Directory"));
        picker.findChild<QLineEdit*>("FolderEdit")->setText(wanted);

        picker.accept();  // No: back to the picker, nothing made
        QCOMPARE(asked, QStringList({wanted}));
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        QVERIFY(!QFileInfo::exists(start + QStringLiteral("/new")));

        answer = true;
        picker.accept();
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QVERIFY(QFileInfo(wanted).isDir());
        QCOMPARE(picker.ChosenFolder(), wanted);
    }

    void pickerTakesAnExistingFolderWithoutAsking()
    {
        eit::test::TempFolder dir;
        QString start = QString::fromStdString(dir.str());
        QDir(start).mkdir(QStringLiteral("there"));
        int asked = 0;
        FolderPicker picker(nullptr, start, [&](const QString&) { return ++asked, false; });
        QCOMPARE(picker.findChild<QLineEdit*>("FolderEdit")->text(), start);  // starts where it is told
        picker.findChild<QLineEdit*>("FolderEdit")->setText(QStringLiteral("there"));  // relative to the start
        picker.accept();
        QCOMPARE(asked, 0);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.ChosenFolder(), start + QStringLiteral("/there"));
    }

    void charTableDialogTakesACodePageATableFileOrBothButNotNeither()
    {
        int browsed = 0;
        CharTableDialog dialog(nullptr, [&] { return ++browsed, std::optional<std::string>("/tables/pl.tbl"); });
        auto* encodings = dialog.findChild<QComboBox*>("EncodingBox");
        QCOMPARE(encodings->itemText(0), QStringLiteral("(none)"));
        QVERIFY(encodings->findText(QStringLiteral("windows-1250")) > 0);

        dialog.accept();  // neither: the dialog stays
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        encodings->setCurrentIndex(encodings->findText(QStringLiteral("windows-1250")));
        dialog.findChild<QPushButton*>("BrowseTable")->click();
        QCOMPARE(browsed, 1);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Choice().encoding, std::string("windows-1250"));
        QCOMPARE(dialog.Choice().tableFile, std::string("/tables/pl.tbl"));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
