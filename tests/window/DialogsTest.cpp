// The Qt side of the window's dialogs that can be exercised without showing
// a modal dialog: the filters, the folder picker's focus, order, typing, new
// folders and handling of a typed folder that does not exist, and the
// question of the texts' encoding.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTreeView>
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

    void pickerStartsWithTheFocusOnItsPathLine()
    {
        eit::test::TempFolder dir;
        QString start = QString::fromStdString(dir.str());
        FolderPicker picker(nullptr, start, {});
        picker.show();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        auto* line = picker.findChild<QLineEdit*>("FolderEdit");
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(line));
        QCOMPARE(line->selectedText(), start);  // typing replaces it
    }

    void typingInTheTreeGoesToThePathLine()
    {
        eit::test::TempFolder dir;
        QString start = QString::fromStdString(dir.str());
        QDir(start).mkdir(QStringLiteral("target"));
        FolderPicker picker(nullptr, start, [](const QString&) { return false; });
        picker.show();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        auto* tree = picker.findChild<QTreeView*>("FolderTree");
        tree->setFocus();
        QModelIndex before = tree->currentIndex();
        const QString typed = start + QStringLiteral("/target");
        for (QChar c : typed) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QCOMPARE(picker.findChild<QLineEdit*>("FolderEdit")->text(), typed);
        QCOMPARE(tree->currentIndex(), before);  // "/" selected no folder by type-ahead
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.ChosenFolder(), typed);
    }

    void pickerSortsFoldersAndMakesNewOnes()
    {
        eit::test::TempFolder dir;
        QString start = QString::fromStdString(dir.str());
        for (const char* name : {"b", "C", "a"}) QDir(start).mkdir(QString::fromLatin1(name));
        FolderPicker picker(nullptr, start, {});
        auto* folders = picker.findChild<QFileSystemModel*>();
        QModelIndex top = folders->index(start);
        auto shown = [&] {
            QStringList names;
            for (int row = 0; row < folders->rowCount(top); ++row) names << folders->index(row, 0, top).data().toString();
            return names;
        };
        QTRY_COMPARE(shown(), QStringList({"a", "b", "C"}));

        auto* line = picker.findChild<QLineEdit*>("FolderEdit");
        picker.NewFolder();
        QCOMPARE(line->text(), start + QStringLiteral("/New folder"));
        line->setText(start);
        picker.NewFolder();
        QVERIFY(QFileInfo(start + QStringLiteral("/New folder")).isDir());
        QVERIFY(QFileInfo(start + QStringLiteral("/New folder 2")).isDir());
        QCOMPARE(line->text(), start + QStringLiteral("/New folder 2"));  // the new one, where Return takes it
        line->setText(start + QStringLiteral("/none"));
        picker.NewFolder();  // inside a folder that does not exist: nothing
        QVERIFY(!QFileInfo::exists(start + QStringLiteral("/none")));
    }

    void encodingPickerStartsWithTheBytesAsTheyAreAndTakesATableOnlyWithACodePage()
    {
        int browsed = 0;
        const std::string table = QDir::toNativeSeparators(QStringLiteral("/somewhere/pl.tbl")).toStdString();
        EncodingPicker picker(nullptr, [&] { return ++browsed, std::optional<std::string>(table); });
        auto* box = picker.findChild<QComboBox*>("EncodingBox");
        auto* tableEdit = picker.findChild<QLineEdit*>("TableEdit");
        QCOMPARE(box->currentText(), QStringLiteral("Bytes as they are"));
        QCOMPARE(box->itemText(1), QStringLiteral("windows-1250"));
        QVERIFY(box->findText(QStringLiteral("cp852")) > 0);
        QVERIFY(picker.Chosen().AsBytes());
        QVERIFY(!tableEdit->isEnabled());

        box->setCurrentIndex(box->findText(QStringLiteral("cp852")));
        QVERIFY(tableEdit->isEnabled());
        picker.findChild<QPushButton*>("BrowseTable")->click();
        QCOMPARE(browsed, 1);
        QCOMPARE(picker.Chosen().codePage, std::string("cp852"));
        QCOMPARE(picker.Chosen().tableFile, table);

        box->setCurrentIndex(0);  // the bytes as they are take no table
        QVERIFY(picker.Chosen().AsBytes());
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
