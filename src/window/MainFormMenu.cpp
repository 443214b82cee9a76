// The window's commands: the menu bar with every command and its shortcut,
// the About box, and the order in which Tab moves through the controls.
#include <QMenuBar>

#include "window/MainForm.h"

#ifndef EIT_VERSION
#define EIT_VERSION "unknown"
#endif

namespace eit::window {

QAction* TMainForm::AddCommand(QMenu* menu, const char* text, const QKeySequence& keys, void (TMainForm::*slot)())
{
    QAction* command = menu->addAction(QString::fromUtf8(text));
    command->setShortcut(keys);
    QString tip = command->iconText();  // the text without "&" and "..."
    if (!keys.isEmpty()) tip += QStringLiteral(" (%1)").arg(keys.toString(QKeySequence::NativeText));
    command->setToolTip(tip);
    connect(command, &QAction::triggered, this, slot);
    return command;
}

void TMainForm::CreateMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    addFilesCmd_ = AddCommand(fileMenu_, "&Add files...", QKeySequence(Qt::CTRL | Qt::Key_O), &TMainForm::BAddLogClick);
    saveListCmd_ = AddCommand(fileMenu_, "&Save project list...", QKeySequence(Qt::CTRL | Qt::Key_S),
                              &TMainForm::BSaveListClick);
    saveResultsCmd_ = AddCommand(fileMenu_, "Save &results...", QKeySequence(), &TMainForm::SaveLogClick);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "&Export for translation...", QKeySequence(), &TMainForm::BExportTranslationClick);
    AddCommand(fileMenu_, "&Import translation...", QKeySequence(), &TMainForm::BImportTranslationClick);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "A&pply patch...", QKeySequence(), &TMainForm::ApplyPatchClick);
    AddCommand(fileMenu_, "Re&move patch...", QKeySequence(), &TMainForm::RemovePatchClick);
    AddCommand(fileMenu_, "Ma&ke patch...", QKeySequence(), &TMainForm::MakePatchClick);
    fileMenu_->addSeparator();
    exitCmd_ = AddCommand(fileMenu_, "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), &TMainForm::BExitClick);

    listMenu_ = menuBar()->addMenu(QStringLiteral("&List"));
    removeCmd_ = AddCommand(listMenu_, "&Remove entries", QKeySequence(Qt::Key_Delete), &TMainForm::BRemLogClick);
    clearCmd_ = AddCommand(listMenu_, "&Clear list", QKeySequence(), &TMainForm::BClearAllClick);

    runMenu_ = menuBar()->addMenu(QStringLiteral("&Run"));
    processCmd_ = AddCommand(runMenu_, "&Process...", QKeySequence(Qt::Key_F5), &TMainForm::BProcessClick);
    checkCmd_ = AddCommand(runMenu_, "&Check replay", QKeySequence(Qt::CTRL | Qt::Key_F5), &TMainForm::BCheckClick);
    stopCmd_ = AddCommand(runMenu_, "&Stop", QKeySequence(Qt::Key_Escape), &TMainForm::StopClick);
    runMenu_->addSeparator();
    openTargetCmd_ = AddCommand(runMenu_, "&Open target folder", QKeySequence(), &TMainForm::OpenTargetFolderClick);

    QMenu* textsMenu = menuBar()->addMenu(QStringLiteral("&Texts"));
    AddCommand(textsMenu, "&Free bytes for letters (character table)...", QKeySequence(), &TMainForm::BFitTableClick);
#ifdef EIT_DRAW_LETTERS
    AddCommand(textsMenu, "&Draw letters into a sheet...", QKeySequence(), &TMainForm::BDrawLettersClick);
#endif
    AddCommand(textsMenu, "Check text &widths...", QKeySequence(), &TMainForm::BFitTextsClick);
    AddCommand(textsMenu, "&Preview a text in a font...", QKeySequence(), &TMainForm::BPreviewClick);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(helpMenu_, "&About...", QKeySequence(), &TMainForm::AboutClick);

    for (QAction* command : {saveListCmd_, removeCmd_, clearCmd_, processCmd_, checkCmd_, stopCmd_, saveResultsCmd_, openTargetCmd_}) {
        command->setEnabled(false);
    }
}

std::array<QAction*, 8> TMainForm::RunLockedCommands() const
{
    return {addFilesCmd_, saveListCmd_, removeCmd_, clearCmd_, processCmd_, checkCmd_, exitCmd_, openTargetCmd_};
}

// Tab goes through the toolbar, the job list, the results pane and the
// group's buttons, in reading order; disabled buttons are passed over.
void TMainForm::SetTabOrder()
{
    QWidget* order[] = {BAddLog, BSaveList, BRemLog, BClearAll, BProcess, BExit, LogList, Results, SaveLog, Stop};
    for (QToolButton* button : {BAddLog, BSaveList, BRemLog, BClearAll, BProcess, BExit, SaveLog, Stop}) {
        button->setFocusPolicy(Qt::TabFocus);
    }
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TMainForm::AboutClick()
{
    dialogs_.ShowMessage("Extract\\Insert Tool " EIT_VERSION
                         "\n\nTakes the items out of LIB packages, the texts out of CIF text files and the "
                         "glyphs out of CIF fonts, and puts edited ones back by replaying the operation "
                         "log result.log.\n\nLicence: MIT (see the file LICENSE).",
                         "About Extract\\Insert Tool");
}

}  // namespace eit::window
