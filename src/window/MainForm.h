#pragma once
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/RunContext.h"
#include "window/FormReporter.h"
#include "window/JobListBox.h"
#include "window/ResultsPane.h"
#include "window/WindowDialogs.h"

namespace eit::window {

// The program's one window (MainForm): the toolbar, the job list, the results
// pane and the " Process " group. It owns the run state and asks the user only
// through `dialogs`.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(WindowDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    RunContext& Context() { return *ctx_; }
    eit::JobKind JobKind() const { return ctx_->JobKind; }
    // The add-files dialog's filter index (1 to 5) of the last confirmed selection.
    int SelectLogFilterIndex() const { return filterIndex_; }
    bool Running() const { return running_; }

    // The form's event handlers.
    void BAddLogClick();
    void BSaveListClick();
    void BRemLogClick();
    void BClearAllClick();
    void BProcessClick();
    // Check: for a job list of operation logs or a project list, what their
    // replay would do and every error, in the results pane; writes nothing.
    void BCheckClick();
    void BExitClick() { close(); }
    void StopClick();
    void SaveLogClick();
    // Files dropped onto the job list: added as the add-files dialog would,
    // the kind taken from their extensions.
    void DropFiles(const std::vector<std::string>& paths);

    // The reporting channels, bound to the controls.
    FormReporter& Reporter() { return *reporter_; }

protected:
    // During a run: asks whether to stop it, and closes once it has ended.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void CreateControls();
    void ConnectHandlers();
    std::array<QToolButton*, 6> ToolbarButtons() const;

    // Steps 3 to 5 of adding files: a change of kind empties the list, a
    // project list replaces it, other files are appended.
    void AddFiles(eit::JobKind kind, const std::vector<std::string>& files);
    // Save list, Remove and Process (and Clear all when `on`).
    void EnableListCommands(bool on);
    void EnableListCommandsIfEntries();
    // Runs one handler's work; an error shows in an error box with its text.
    void ReportErrors(const std::function<void()>& work);
    void BeginRun();
    void EndRun();
    // Runs `work` as a run: the toolbar idle meanwhile, an error shown after.
    void RunWork(const std::function<void()>& work);

    WindowDialogs& dialogs_;

    QFrame* ToolBar1 = nullptr;
    QToolButton* BAddLog = nullptr;
    QToolButton* BSaveList = nullptr;
    QToolButton* BRemLog = nullptr;
    QToolButton* BClearAll = nullptr;
    QToolButton* BProcess = nullptr;
    QToolButton* BExit = nullptr;
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

    std::unique_ptr<FormReporter> reporter_;
    std::unique_ptr<FlushingDialogs> runDialogs_;
    std::unique_ptr<RunContext> ctx_;
    int filterIndex_ = 1;
    bool running_ = false;
    bool closeAfterRun_ = false;
    bool centred_ = false;
    std::array<bool, 6> toolbarBeforeRun_{};
};

}  // namespace eit::window
