// Drawing letters from the window: the questions it asks, the results pane
// and cancelling.
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
        const std::string sheet = Sheet();
        const eit::test::Bytes before = ReadAll(sheet);
        WriteAll(Path("pl.tbl"), "CA=\xC5\x81\nDA=\xC4\x85\n");  // Ł and ą, on bytes that glyphs 170 and 186 show
        dialogs->openFileAnswers = {sheet, kFont};
        dialogs->encoding = TextEncoding{"", Path("pl.tbl")};
        form->BDrawLettersClick();

        QCOMPARE(dialogs->openFileTitles, (std::vector<std::string>{"Select sheet...", "Select font..."}));
        QCOMPARE(dialogs->encodingsAsked, 1);
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
        const QStringList lines = PaneLines();
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QString::fromUtf8("Kept the earlier f.bmp as f.bmp.~1~."));
        QCOMPARE(lines[1], QString::fromUtf8("\"Ł\" (U+0141) drawn into cell 10 for byte CA."));
        QCOMPARE(lines[2], QString::fromUtf8("\"ą\" (U+0105) drawn into cell 26 for byte DA."));
        QVERIFY2(lines[3].startsWith(QStringLiteral("In the style of the sheet's glyphs: strokes ")), qPrintable(lines[3]));
        QVERIFY2(QRegularExpression(QStringLiteral("^f\\.bmp: 2 letters drawn from DejaVuSans\\.ttf at \\d+ px in ink 42\\.$"))
                     .match(lines[4])
                     .hasMatch(),
                 qPrintable(lines[4]));
        QVERIFY(ReadAll(sheet) != before);
        QCOMPARE(Label("CurrentMessage")->text(), QString());
        QVERIFY(Button("SaveLog")->isEnabled());
    }

    void cancellingAnyQuestionDrawsNothing()
    {
        const std::string sheet = Sheet();
        const eit::test::Bytes before = ReadAll(sheet);
        for (int answered = 0; answered < 3; ++answered) {
            dialogs->openFileTitles.clear();
            dialogs->encodingsAsked = 0;
            dialogs->openFileAnswers.assign({sheet, kFont});
            dialogs->openFileAnswers.resize(answered);  // then the question is cancelled
            dialogs->encoding.reset();
            form->BDrawLettersClick();
            QCOMPARE(dialogs->openFileTitles.size(), std::size_t(std::min(answered + 1, 2)));
            QCOMPARE(dialogs->encodingsAsked, answered == 2 ? 1 : 0);
        }
        QCOMPARE(ReadAll(sheet), before);
        QCOMPARE(PaneLines(), QStringList());
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
    }

private:
    // An extracted sheet whose glyphs stand on a guide.
    std::string Sheet()
    {
        fonts = std::make_unique<eit::test::FontWorkspace>();
        fonts->PutFont("f.fnt", eit::test::DigitFont(10));
        fonts->Draw("f.fnt");
        return fonts->SheetOf("f.fnt");
    }

    std::unique_ptr<eit::test::FontWorkspace> fonts;
};

QTEST_MAIN(LetterDrawingTest)
#include "LetterDrawingTest.moc"
