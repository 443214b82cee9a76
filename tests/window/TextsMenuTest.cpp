// The Texts menu: free bytes for letters, the width check and the preview,
// each asking its questions through the dialogs and answering in the pane.
#include "FormFixture.h"
#include "support/CifBuilder.h"
#include "support/FontBuilder.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

class TextsMenuTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init()
    {
        MakeForm();
        eit::test::WriteAll(Path("f.fnt"), eit::test::AsciiFont());
        // Glyphs are 6 to 9 px wide with 1 px between: "Hello" is 34 px wide.
        eit::test::WriteAll(Path("a.txt"), "\xEF\xBB\xBF" + eit::test::TxtOf({"Hello", "Zaj\xC4\x85" "c"}));
        dialogs->encoding = TextEncoding{"windows-1250", ""};
    }
    void cleanup() { DropForm(); }

    void freeBytesWriteATableForTheLettersWithoutGlyphs()
    {
        dialogs->openFileAnswers = {Path("f.fnt")};
        Answer({Path("a.txt")});
        dialogs->saveAnswers = {Path("pl.tbl")};
        form->BFitTableClick();
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
        QCOMPARE(dialogs->saveTitles, std::vector<std::string>{"Save character table as..."});
        QCOMPARE(eit::test::ReadAll(Path("pl.tbl")), std::string("C0=\xC4\x85\n"));
        QCOMPARE(PaneLines().first(), QString::fromUtf8("\"ą\" (U+0105): byte B9 has no glyph; it gets byte C0."));
    }

    void widthCheckListsTheLinesWiderThanTheBox()
    {
        dialogs->openFileAnswers = {Path("f.fnt")};
        Answer({Path("a.txt")});
        dialogs->number = 30;
        form->BFitTextsClick();
        QCOMPARE(dialogs->numberQuestions, std::vector<std::string>{"Check text widths|Width of the text box in pixels:|200"});
        const QStringList lines = PaneLines();
        QVERIFY2(lines.size() == 3, qPrintable(lines.join('\n')));
        QVERIFY2(lines[0].startsWith(QString::fromStdString(Path("a.txt") + " [00000000] line 1: ")), qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QStringLiteral("byte B9 (\"ą\" (U+0105)) has no glyph in f.fnt")), qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(QStringLiteral("2 lines of 2 texts measured: 1 do not fit in 30 px")), qPrintable(lines[2]));
    }

    void previewShowsTheTextInTheFontAndCancellingAsksNoFurther()
    {
        dialogs->openFileAnswers = {Path("f.fnt"), Path("a.txt")};
        dialogs->number = 30;
        form->BPreviewClick();
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
        QCOMPARE(dialogs->pictures.size(), std::size_t(1));
        const IndexedImage& picture = dialogs->pictures[0].second;
        QCOMPARE(dialogs->pictures[0].first, std::string("a.txt in f.fnt"));
        QCOMPARE(picture.Height(), 2u * 29u);  // two lines, 28 rows and one between
        QCOMPARE(picture.Pixel(0, eit::test::kBlockBaseline - 9), eit::test::kBlockInk);  // "H", top-left
        QVERIFY2(PaneLines().last().contains(QStringLiteral("2 lines, 2 wider than 30 px")), qPrintable(PaneLines().join(QChar(10))));

        dialogs->openFileAnswers = {Path("f.fnt"), Path("a.txt")};
        dialogs->numberQuestions.clear();
        dialogs->encoding.reset();
        form->BPreviewClick();
        QCOMPARE(dialogs->numberQuestions.size(), std::size_t(0));
        QCOMPARE(dialogs->pictures.size(), std::size_t(1));
    }

private:
    void Answer(std::vector<std::string> files) { dialogs->openAnswers.push_back({std::move(files), 1}); }
};

QTEST_MAIN(TextsMenuTest)
#include "TextsMenuTest.moc"
