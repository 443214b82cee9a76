#include "window/MainForm.h"

#include <QCloseEvent>
#include <QScreen>

#include "formats/Formats.h"
#include "jobs/ProjectList.h"
#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "window/RtfWriter.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace eit::window {

namespace {
// The one kind of a set of dropped files, from their extensions.
eit::JobKind KindOfDroppedFiles(const std::vector<std::string>& paths)
{
    eit::JobKind kind = eit::JobKind::None;
    for (const std::string& path : paths) {
        eit::JobKind k = KindOfFile(path);
        if (k == eit::JobKind::None) {
            throw ToolError("Cannot add " + path + ": only " + AddableExtensions() + " files can be added");
        }
        if (kind != eit::JobKind::None && k != kind) {
            throw ToolError("Cannot add " + path + " together with " + paths.front() + ": add files of one kind at a time");
        }
        kind = k;
    }
    return kind;
}
}  // namespace

TMainForm::TMainForm(WindowDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    FormCreate();
}

// FormDestroy: the run state goes before the controls it reports to.
TMainForm::~TMainForm() { ctx_.reset(); }

void TMainForm::FormCreate()
{
    CreateControls();
    reporter_ = std::make_unique<FormReporter>(
        ReportControls{CurrentMessage, Extracted, Results, Progress, Total, Stop, SaveLog});
    runDialogs_ = std::make_unique<FlushingDialogs>(*reporter_, dialogs_);
    ctx_ = std::make_unique<RunContext>(*reporter_, *runDialogs_);
    ConnectHandlers();
}

void TMainForm::ConnectHandlers()
{
    connect(BAddLog, &QToolButton::clicked, this, &TMainForm::BAddLogClick);
    connect(BSaveList, &QToolButton::clicked, this, &TMainForm::BSaveListClick);
    connect(BRemLog, &QToolButton::clicked, this, &TMainForm::BRemLogClick);
    connect(BClearAll, &QToolButton::clicked, this, &TMainForm::BClearAllClick);
    connect(BProcess, &QToolButton::clicked, this, &TMainForm::BProcessClick);
    connect(BExit, &QToolButton::clicked, this, &TMainForm::BExitClick);
    connect(Stop, &QToolButton::clicked, this, &TMainForm::StopClick);
    connect(SaveLog, &QToolButton::clicked, this, &TMainForm::SaveLogClick);
    LogList->SetDropHandler([this](const std::vector<std::string>& paths) { DropFiles(paths); });
}

void TMainForm::ReportErrors(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& e) {
        dialogs_.ShowError(e.what());
    }
}

void TMainForm::EnableListCommands(bool on)
{
    BSaveList->setEnabled(on);
    BRemLog->setEnabled(on);
    BProcess->setEnabled(on);
    if (on) BClearAll->setEnabled(true);
}

void TMainForm::EnableListCommandsIfEntries()
{
    // Also after an error, so that the buttons always match the list.
    if (LogList->Count() > 0) EnableListCommands(true);
}

void TMainForm::AddFiles(eit::JobKind kind, const std::vector<std::string>& files)
{
    if (kind != ctx_->JobKind) LogList->clear();
    ctx_->JobKind = kind;
    if (kind == eit::JobKind::ReplayProject) {
        LogList->ReplaceAll(LoadProjectList(files.front()));
    } else {
        for (const std::string& file : files) LogList->Append(file);
    }
}

void TMainForm::BAddLogClick()
{
    EnableListCommands(false);
    ReportErrors([this] {
        std::optional<FileChoice> choice = dialogs_.OpenFiles(SelectLog, filterIndex_);
        if (!choice || choice->files.empty()) return;
        if (choice->filterIndex < 1 || choice->filterIndex > static_cast<int>(KindByFilter.size())) return;
        filterIndex_ = choice->filterIndex;
        AddFiles(KindByFilter[static_cast<std::size_t>(filterIndex_ - 1)], choice->files);
    });
    EnableListCommandsIfEntries();
}

void TMainForm::DropFiles(const std::vector<std::string>& paths)
{
    if (running_ || paths.empty()) return;
    EnableListCommands(false);
    ReportErrors([&] {
        eit::JobKind kind = KindOfDroppedFiles(paths);
        filterIndex_ = FilterIndexOfKind(kind);  // as if chosen through that filter
        AddFiles(kind, paths);
    });
    EnableListCommandsIfEntries();
}

void TMainForm::BRemLogClick()
{
    LogList->DeleteSelected();
    if (LogList->Count() > 0) {
        LogList->setCurrentRow(LogList->count() - 1, QItemSelectionModel::NoUpdate);
        return;
    }
    LogList->setCurrentIndex(QModelIndex());
    EnableListCommands(false);
    BClearAll->setEnabled(false);
}

void TMainForm::BClearAllClick()
{
    LogList->clear();
    EnableListCommands(false);
    BClearAll->setEnabled(false);
}

void TMainForm::BSaveListClick()
{
    ReportErrors([this] {
        if (std::optional<std::string> path = dialogs_.SaveFile(SaveLST)) SaveProjectList(*path, LogList->Entries());
    });
}

void TMainForm::SaveLogClick()
{
    ReportErrors([this] {
        std::optional<std::string> path = dialogs_.SaveFile(SaveRes);
        if (!path) return;
        SaveLinesAsRtf(Results->Model().Lines(), *path);
        dialogs_.ShowMessage(std::string(FileNameOf(*path)), "Operation status");
        SaveLog->setEnabled(false);
    });
}

void TMainForm::StopClick()
{
    ctx_->StopRequested = true;
    Stop->setEnabled(false);
}

void TMainForm::BProcessClick()
{
    if (running_ || LogList->Count() == 0) return;
    RunWork([this] { RunProcess(*ctx_, LogList->Entries()); });
}

void TMainForm::BCheckClick()
{
    if (running_ || LogList->Count() == 0) return;
    if (!IsReplay(ctx_->JobKind)) {
        dialogs_.ShowError("Check looks at what a replay would do: add operation logs or a project list first.");
        return;
    }
    RunWork([this] { CheckReplay(*ctx_, LogList->Entries()); });
}

void TMainForm::RunWork(const std::function<void()>& work)
{
    BeginRun();
    std::optional<std::string> error;
    try {
        work();
    } catch (const std::exception& e) {
        error = e.what();
    }
    EndRun();
    if (error) dialogs_.ShowError(*error);
    if (closeAfterRun_) close();
}

// While a run is under way no toolbar command acts and nothing is dropped.
void TMainForm::BeginRun()
{
    running_ = true;
    auto buttons = ToolbarButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        toolbarBeforeRun_[i] = buttons[i]->isEnabled();
        buttons[i]->setEnabled(false);
    }
    LogList->AllowDrops(false);
    reporter_->PumpAtNextCall();
}

void TMainForm::EndRun()
{
    reporter_->Flush();
    auto buttons = ToolbarButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setEnabled(toolbarBeforeRun_[i]);
    LogList->AllowDrops(true);
    running_ = false;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!running_) {
        event->accept();
        return;
    }
    event->ignore();
    if (closeAfterRun_) return;
    if (dialogs_.AskYesNo("A run is under way. Stop it and close the window when it has ended?",
                          windowTitle().toLocal8Bit().toStdString())) {
        closeAfterRun_ = true;
        StopClick();
    }
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_ || !screen()) return;
    centred_ = true;
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
}

}  // namespace eit::window
