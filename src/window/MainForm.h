#pragma once
#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jobs/Translation.h"
#include "run/RunContext.h"
#include "window/FormReporter.h"
#include "window/JobListBox.h"
#include "window/ResultsPane.h"
#include "jobs/TextsInFont.h"
#include "window/WindowDialogs.h"

namespace eit::window {

// The program's one window (MainForm): a menu bar over the client area, which
// holds the toolbar, the job list, the results pane and the " Process " group.
// It owns the run state and asks the user only through `dialogs`.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(WindowDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    RunContext& Context() { return *ctx_; }
    eit::JobKind JobKind() const { return ctx_->JobKind; }
    // The add-files dialog's filter index (1 to 5) of the last confirmed selection.
    int SelectLogFilterIndex() const { return filterIndex_; }
    bool Running() const { return running_; }
    // Files dropped onto the job list: added as the add-files dialog would,
    // the kind taken from their extensions.
    void DropFiles(const std::vector<std::string>& paths);

    // The reporting channels, bound to the controls.
    FormReporter& Reporter() { return *reporter_; }

public slots:
    // The form's event handlers, each also a command of the menu.
    void BAddLogClick();
    void BSaveListClick();
    void BRemLogClick();
    void BClearAllClick();
    void BProcessClick();
    // Check: for a job list of operation logs or a project list, what their
    // replay would do and every error, in the results pane; writes nothing.
    void BCheckClick();
    // Export for translation and Import translation: for a job list of
    // operation logs or a project list, the texts of their CIF groups as a
    // .pot, .po or .csv, and a .po or .csv back into their .txt files. Each
    // asks for the file, whether the game's texts come from a template, and
    // the texts' encoding.
    void BExportTranslationClick();
    void BImportTranslationClick();
    void BExitClick() { close(); }
    void StopClick();
    void SaveLogClick();
    // Shows the last run's target folder in the desktop's file manager.
    void OpenTargetFolderClick();
    void AboutClick();
    // The commands over texts and a game's font (Texts menu), each asking for
    // the font, the texts and their encoding: a character table that gives
    // the letters the font cannot show free bytes; the lines wider than a
    // box; a preview of a .txt in the font with the box's width marked.
    void BFitTableClick();
    void BFitTextsClick();
    void BPreviewClick();
    // The patch commands: each asks for its folders; apply and remove first
    // show in the results what would change and ask before writing.
    void ApplyPatchClick();
    void RemovePatchClick();
    void MakePatchClick();
#ifdef EIT_DRAW_LETTERS
    // Draws new letters into a font sheet from a TrueType or OpenType font:
    // asks for the sheet, the font and the character table (the texts'
    // encoding question), and reports each letter in the results pane.
    void BDrawLettersClick();
#endif

protected:
    // During a run: asks whether to stop it, and closes once it has ended.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Lays the controls out again when the client area or the Extracted label
    // changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateControls();
    void CreateCommands();
    void CreateMenus();
    void SetTabOrder();
    // Places the controls for a client area of `size`; at 688 x 464 they stand
    // where the form puts them, and the list and the results take any more room.
    void LayOut(QSize size);
    void LayOutStatusRow(int width);
    // One command: an action in `menu` with its shortcut, its tooltip naming
    // the shortcut, and the slot it runs. Adding a command is one such line.
    QAction* AddCommand(QMenu* menu, const char* text, const QKeySequence& keys, void (TMainForm::*slot)());
    // The commands that rest while a run is under way.
    std::array<QAction*, 8> RunLockedCommands() const;

    // Steps 3 to 5 of adding files: a change of kind empties the list (once
    // the user agrees), a project list replaces it, other files are appended.
    void AddFiles(eit::JobKind kind, int filterIndex, const std::vector<std::string>& files);
    bool MayEmptyListFor(eit::JobKind kind);
    void UpdateKindCaption();
    // Save list, Remove and Process (and Clear all when `on`).
    void EnableListCommands(bool on);
    void EnableListCommandsIfEntries();
    // Runs one handler's work; an error shows in an error box with its text.
    void ReportErrors(const std::function<void()>& work);
    void BeginRun();
    void EndRun();
    // The questions of a translation command after its file; nothing when
    // one is cancelled or the list holds no logs.
    std::optional<TranslationSettings> AskTranslation(const std::optional<std::string>& file);
    // Export for translation (or import): asks, then runs.
    void RunTranslation(bool import);
    // Runs `work` as a run: the toolbar idle meanwhile, an error shown after;
    // false after an error.
    bool RunWork(const std::function<void()>& work);
    void ApplyOrRemovePatch(bool apply);

    WindowDialogs& dialogs_;

    QWidget* client_ = nullptr;
    QFrame* ToolBar1 = nullptr;
    QToolButton* BAddLog = nullptr;
    QToolButton* BSaveList = nullptr;
    QToolButton* BRemLog = nullptr;
    QToolButton* BClearAll = nullptr;
    QToolButton* BProcess = nullptr;
    QToolButton* BExit = nullptr;
    QLabel* KindCaption = nullptr;
    JobListBox* LogList = nullptr;
    ResultsPane* Results = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* PFile = nullptr;
    QLabel* CurrentMessage = nullptr;
    QLabel* Extracted = nullptr;
    QToolButton* SaveLog = nullptr;
    QToolButton* Stop = nullptr;
    QProgressBar* Progress = nullptr;
    QProgressBar* Total = nullptr;

    QMenu* fileMenu_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QMenu* runMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* addFilesCmd_ = nullptr;
    QAction* saveListCmd_ = nullptr;
    QAction* removeCmd_ = nullptr;
    QAction* clearCmd_ = nullptr;
    QAction* processCmd_ = nullptr;
    QAction* checkCmd_ = nullptr;
    QAction* exitCmd_ = nullptr;
    QAction* stopCmd_ = nullptr;
    QAction* saveResultsCmd_ = nullptr;
    QAction* openTargetCmd_ = nullptr;

    std::unique_ptr<FormReporter> reporter_;
    std::unique_ptr<FlushingDialogs> runDialogs_;
    std::unique_ptr<RunContext> ctx_;
    int filterIndex_ = 1;
    bool running_ = false;
    std::uint32_t boxWidth_ = 200;  // the width check's and the preview's last box, in pixels
    // Asks for the font, the texts (one or several) and their encoding; false
    // when a question is cancelled.
    bool AskTextsInFont(TextsInFont& request, bool severalTexts);
    // Asks for the text box's width, the last one offered; nothing when cancelled.
    std::optional<std::uint32_t> AskBoxWidth(const std::string& caption);
    // Shows the end of a command run outside a run (over texts, drawing letters) in the window.
    void EndTextsCommand();
    bool closeAfterRun_ = false;
    bool placed_ = false;
    std::array<bool, 8> commandsBeforeRun_{};
};

}  // namespace eit::window
