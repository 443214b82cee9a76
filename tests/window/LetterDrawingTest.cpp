// Drawing letters from the window: the questions it asks, the results pane,
// cancelling and refusals.
#include <QRegularExpression>

#include "FormFixture.h"
#include "support/FontRun.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

namespace {
const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
}

class LetterDrawingTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init()
    {
        if (!std::filesystem::exists(kFont)) QSKIP("DejaVu Sans is not installed (scripts/deps.sh installs fonts-dejavu-core)");
        MakeForm();
    }
    void cleanup()
    {
        DropForm();
        fonts.reset();
    }

    void drawsTheTablesLettersAndReportsThem()
    {
        const std::string sheet = Sheet(10);
        const eit::test::Bytes before = ReadAll(sheet);
        WriteAll(Path("pl.tbl"), "A3=\xC5\x81\nB9=\xC4\x85\n");  // Ł and ą
        dialogs->openFileAnswers = {sheet, kFont};
        dialogs->charTable = CharTableChoice{"", Path("pl.tbl")};
        form->BDrawLettersClick();

        QCOMPARE(dialogs->openFileTitles, (std::vector<std::string>{"Select sheet...", "Select font..."}));
        QCOMPARE(dialogs->charTablesAsked, 1);
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
        const QStringList lines = PaneLines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QString::fromUtf8("\"Ł\" (U+0141) drawn into cell 3 for byte A3."));
        QCOMPARE(lines[1], QString::fromUtf8("\"ą\" (U+0105) drawn into cell 25 for byte B9."));
        QVERIFY2(QRegularExpression(QStringLiteral("^f\\.bmp: 2 letters drawn from DejaVuSans\\.ttf at \\d+ px in ink 42\\.$"))
                     .match(lines[2])
                     .hasMatch(),
                 qPrintable(lines[2]));
        QVERIFY(ReadAll(sheet) != before);
        QCOMPARE(Label("CurrentMessage")->text(), QString());
    }

    void cancellingAnyQuestionDrawsNothing()
    {
        const std::string sheet = Sheet(10);
        const eit::test::Bytes before = ReadAll(sheet);
        for (int answered = 0; answered < 3; ++answered) {
            dialogs->openFileTitles.clear();
            dialogs->charTablesAsked = 0;
            dialogs->openFileAnswers.clear();
            if (answered > 0) dialogs->openFileAnswers.push_back(sheet);
            if (answered > 1) dialogs->openFileAnswers.push_back(kFont);
            dialogs->openFile.reset();
            dialogs->charTable.reset();
            form->BDrawLettersClick();
            QCOMPARE(dialogs->openFileTitles.size(), std::size_t(std::min(answered + 1, 2)));
            QCOMPARE(dialogs->charTablesAsked, answered == 2 ? 1 : 0);
        }
        QCOMPARE(ReadAll(sheet), before);
        QCOMPARE(PaneLines(), QStringList());
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
    }

    void aRefusalShowsInAnErrorBoxAndLeavesTheSheet()
    {
        const std::string sheet = Sheet(18);  // tall digits: capitals with accents reach above their strips
        const eit::test::Bytes before = ReadAll(sheet);
        dialogs->openFileAnswers = {sheet, kFont};
        dialogs->charTable = CharTableChoice{"windows-1250", ""};
        form->BDrawLettersClick();
        QCOMPARE(dialogs->errors.size(), std::size_t{1});
        QVERIFY2(dialogs->errors[0].starts_with("Cannot draw into " + sheet + ": "), dialogs->errors[0].c_str());
        QVERIFY2(dialogs->errors[0].find("\"\xC5\xBB\" (U+017B) for byte AF reaches ") != std::string::npos,
                 dialogs->errors[0].c_str());
        QCOMPARE(ReadAll(sheet), before);
        QCOMPARE(PaneLines(), QStringList());
    }

private:
    // An extracted sheet whose digit zero is `digitHeight` rows tall.
    std::string Sheet(std::uint32_t digitHeight)
    {
        fonts = std::make_unique<eit::test::FontWorkspace>();
        fonts->PutFont("f.fnt", eit::test::DigitFont(digitHeight));
        fonts->Draw("f.fnt");
        return fonts->SheetOf("f.fnt");
    }

    std::unique_ptr<eit::test::FontWorkspace> fonts;
};

QTEST_MAIN(LetterDrawingTest)
#include "LetterDrawingTest.moc"
