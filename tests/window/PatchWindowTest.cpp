// The patch commands of the File menu: the folders they ask for, what they
// show before they write, and the answer No.
#include "FormFixture.h"
#include "formats/PatchManifest.h"
#include "support/PatchTrees.h"

using namespace eit;
using namespace eit::window;
using namespace eit::window::test;

class PatchWindowTest : public QObject, FormFixture {
    Q_OBJECT
private slots:
    void init()
    {
        MakeForm();
        trees.Write(*dir);
        std::filesystem::copy(dir->path() / "original", dir->path() / "game", std::filesystem::copy_options::recursive);
    }
    void cleanup() { DropForm(); }

    void makesAPatchNamedAfterItsFolder()
    {
        MakePatchFromWindow();
        QCOMPARE(dialogs->folderCaptions, (std::vector<std::string>{"Select the untouched game folder...", "Select the translated game folder...",
                                                                    "Select a new, empty folder for the patch..."}));
        QCOMPARE(dialogs->errors, std::vector<std::string>{});
        const eit::test::Bytes manifest = ReadAll(Path("pl-patch/eitool-patch.txt"));
        QVERIFY(manifest.find("title pl-patch\n") != std::string::npos);
        QVERIFY(PaneLines().last().startsWith(QStringLiteral("Patch \"pl-patch\" written to")));
    }

    void appliesAndRemovesOnlyAfterShowingWhatChangesAndAsking()
    {
        MakePatchFromWindow();
        for (const bool apply : {true, false}) {
            for (const bool yes : {false, true}) {
                const auto before = Game();
                dialogs->folderAnswers = {Path("pl-patch"), Path("game")};
                dialogs->folderCaptions.clear();
                dialogs->questions.clear();
                dialogs->answerYes = yes;
                apply ? form->ApplyPatchClick() : form->RemovePatchClick();
                QCOMPARE(dialogs->errors, std::vector<std::string>{});
                QCOMPARE(dialogs->folderCaptions.front(), std::string(apply ? "Select the patch to apply..." : "Select the patch to remove..."));
                QCOMPARE(dialogs->questions.size(), std::size_t{1});
                QVERIFY(dialogs->questions[0].starts_with(apply ? "Apply the patch to " + Path("game") : "Remove the patch from " + Path("game")));
                QVERIFY(PaneLines().contains(QStringLiteral("readme.txt: would be %1").arg(apply ? "replaced" : "restored")));
                if (!yes) {
                    QVERIFY(Game() == before);
                    continue;
                }
                QVERIFY(Game() == eit::test::Snapshot(dir->path() / (apply ? "modified" : "original")));
                QVERIFY(PaneLines().contains(QStringLiteral("readme.txt: %1").arg(apply ? "replaced" : "restored")));
            }
        }
    }

    void aRefusedPatchShowsWhyAndAsksNothing()
    {
        MakePatchFromWindow();
        WriteAll(Path("game/readme.txt"), "Version 2");
        const auto before = Game();
        dialogs->folderAnswers = {Path("pl-patch"), Path("game")};
        form->ApplyPatchClick();
        QCOMPARE(dialogs->questions.size(), std::size_t{0});
        QCOMPARE(dialogs->errors.size(), std::size_t{1});
        QVERIFY(dialogs->errors[0].find("This is another version of the game") != std::string::npos);
        QVERIFY(dialogs->errors[0].find("readme.txt: expected SHA-256") != std::string::npos);
        QVERIFY(Game() == before);
    }

private:
    std::map<std::string, eit::test::Bytes> Game() const { return eit::test::GameSnapshot(dir->path() / "game"); }
    void MakePatchFromWindow()
    {
        dialogs->folderAnswers = {Path("original"), Path("modified"), Path("pl-patch")};
        form->MakePatchClick();
    }

    eit::test::PatchTrees trees;
};

QTEST_MAIN(PatchWindowTest)
#include "PatchWindowTest.moc"
