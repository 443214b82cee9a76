#include "window/MainForm.h"

#include <QCloseEvent>
#include <QScreen>

#include "formats/Formats.h"
#ifdef EIT_DRAW_LETTERS
#include "jobs/Letters.h"
#endif
#include "jobs/ProjectList.h"
#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "window/RtfWriter.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Words.h"

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

// The results' last line after an extracting run, before the log's path.
constexpr const char* kLogSavedLine = "Operation log saved as ";

// What the job list holds, as its caption says it: "LIB packages: 3 files".
std::string ListCaption(eit::JobKind kind, std::size_t count)
{
    const JobRow* row = RowOfKind(kind);
    std::string what = kind == eit::JobKind::ReplayProject ? "operation logs of a project list"
                                                          : std::string(row ? row->noun : "files");
    what[0] = UpperAscii(what.substr(0, 1))[0];
    return what + ": " + eit::Counted(count, "file", "files");
}
}  // namespace

TMainForm::TMainForm(WindowDialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs)
{
    FormCreate();
}

// FormDestroy: the controls, deleted after this, no longer call back into the
// form, and the run state goes before the controls it reports to.
TMainForm::~TMainForm()
{
    disconnect(LogList->model(), nullptr, this, nullptr);
    client_->removeEventFilter(this);
    Extracted->removeEventFilter(this);
    ctx_.reset();
}

void TMainForm::FormCreate()
{
    CreateMenus();
    CreateControls();
    SetTabOrder();
    reporter_ = std::make_unique<FormReporter>(
        ReportControls{CurrentMessage, Extracted, Results, Progress, Total, stopCmd_, saveResultsCmd_, LogList});
    runDialogs_ = std::make_unique<FlushingDialogs>(*reporter_, dialogs_);
    ctx_ = std::make_unique<RunContext>(*reporter_, *runDialogs_);
    LogList->SetDropHandler([this](const std::vector<std::string>& paths) { DropFiles(paths); });
    connect(LogList->model(), &QAbstractItemModel::rowsInserted, this, &TMainForm::UpdateKindCaption);
    connect(LogList->model(), &QAbstractItemModel::rowsRemoved, this, &TMainForm::UpdateKindCaption);
    connect(LogList->model(), &QAbstractItemModel::modelReset, this, &TMainForm::UpdateKindCaption);
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
    saveListCmd_->setEnabled(on);
    removeCmd_->setEnabled(on);
    processCmd_->setEnabled(on);
    checkCmd_->setEnabled(on && IsReplay(ctx_->JobKind));  // a check looks at what a replay would do
    if (on) clearCmd_->setEnabled(true);
}

void TMainForm::EnableListCommandsIfEntries()
{
    // Also after an error, so that the buttons always match the list.
    if (LogList->Count() > 0) EnableListCommands(true);
}

bool TMainForm::MayEmptyListFor(eit::JobKind kind)
{
    if (kind == ctx_->JobKind || LogList->Count() == 0) return true;
    return dialogs_.AskYesNo("Adding " + std::string(RowOfKind(kind)->noun) + " empties the job list (" +
                                 ListCaption(ctx_->JobKind, LogList->Count()) + "). Go on?",
                             windowTitle().toLocal8Bit().toStdString());
}

void TMainForm::AddFiles(eit::JobKind kind, int filterIndex, const std::vector<std::string>& files)
{
    if (!MayEmptyListFor(kind)) return;
    filterIndex_ = filterIndex;
    if (kind != ctx_->JobKind) LogList->clear();
    ctx_->JobKind = kind;
    if (kind == eit::JobKind::ReplayProject) {
        LogList->ReplaceAll(LoadProjectList(files.front()));
    } else {
        for (const std::string& file : files) LogList->Append(file);
    }
}

void TMainForm::UpdateKindCaption()
{
    std::size_t count = LogList->Count();
    KindCaption->setText(count == 0 ? QString() : QString::fromStdString(ListCaption(ctx_->JobKind, count)));
}

void TMainForm::BAddLogClick()
{
    EnableListCommands(false);
    ReportErrors([this] {
        std::optional<FileChoice> choice = dialogs_.OpenFiles(SelectLog, filterIndex_);
        if (!choice || choice->files.empty()) return;
        if (choice->filterIndex < 1 || choice->filterIndex > static_cast<int>(KindByFilter.size())) return;
        AddFiles(KindByFilter[static_cast<std::size_t>(choice->filterIndex - 1)], choice->filterIndex, choice->files);
    });
    EnableListCommandsIfEntries();
}

void TMainForm::DropFiles(const std::vector<std::string>& paths)
{
    if (running_ || paths.empty()) return;
    EnableListCommands(false);
    ReportErrors([&] {
        eit::JobKind kind = KindOfDroppedFiles(paths);
        AddFiles(kind, FilterIndexOfKind(kind), paths);  // as if chosen through that filter
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
    clearCmd_->setEnabled(false);
}

void TMainForm::BClearAllClick()
{
    LogList->clear();
    EnableListCommands(false);
    clearCmd_->setEnabled(false);
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
        saveResultsCmd_->setEnabled(false);
    });
}

#ifdef EIT_DRAW_LETTERS
void TMainForm::BDrawLettersClick()
{
    if (running_) return;
    ReportErrors([this] {
        const std::optional<std::string> sheet = dialogs_.OpenFile(OpenSheet);
        if (!sheet) return;
        const std::optional<std::string> font = dialogs_.OpenFile(OpenTTF);
        if (!font) return;
        const std::optional<TextEncoding> encoding = dialogs_.PickEncoding();
        if (!encoding) return;
        DrawSheetLetters(*reporter_, {*sheet, *font, *encoding, std::nullopt, std::nullopt, std::nullopt});
    });
    EndTextsCommand();
}
#endif

void TMainForm::StopClick()
{
    ctx_->StopRequested = true;
    stopCmd_->setEnabled(false);
}

void TMainForm::OpenTargetFolderClick()
{
    if (!ctx_->settings.TargetDir.empty()) dialogs_.ShowFolder(ctx_->settings.TargetDir);
}

void TMainForm::BProcessClick()
{
    if (running_ || LogList->Count() == 0) return;
    RunWork([this] {
        RunProcess(*ctx_, LogList->Entries());
        // Where the run put its log, as the results' last line.
        if (std::optional<std::string> log = OperationLogPath(*ctx_)) reporter_->AddResult(kLogSavedLine + *log);
    });
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

std::optional<TranslationSettings> TMainForm::AskTranslation(const std::optional<std::string>& file)
{
    if (!file) return std::nullopt;
    TranslationSettings settings{LogList->Entries(), *file, {}, {}, false};
    if (dialogs_.AskYesNo("Take the game's texts from a template (.pot) made from the untouched game? "
                          "No takes them from the CIF files as they are now.",
                          windowTitle().toLocal8Bit().toStdString())) {
        const std::optional<std::string> templateFile = dialogs_.OpenFile(OpenTemplate);
        if (!templateFile) return std::nullopt;
        settings.templateFile = *templateFile;
    }
    const std::optional<TextEncoding> encoding = dialogs_.PickEncoding();
    if (!encoding) return std::nullopt;
    settings.encoding = *encoding;
    return settings;
}

// The logs in the list, read by the export and written into by the import.
void TMainForm::RunTranslation(bool import)
{
    if (running_) return;
    if (!IsReplay(ctx_->JobKind) || LogList->Count() == 0) {
        dialogs_.ShowError(std::string(import ? "Import translation writes into" : "Export for translation reads") +
                           " the texts of operation logs: add the logs of extracted CIF text files, or a project list, first.");
        return;
    }
    const std::optional<TranslationSettings> settings =
        AskTranslation(import ? dialogs_.OpenFile(OpenTranslation) : dialogs_.SaveFile(SaveTranslation));
    if (!settings) return;
    RunWork([&] { import ? ImportTranslation(*ctx_, *settings) : ExportTranslation(*ctx_, *settings); });
}

void TMainForm::BExportTranslationClick() { RunTranslation(false); }

void TMainForm::BImportTranslationClick() { RunTranslation(true); }

bool TMainForm::RunWork(const std::function<void()>& work)
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
    return !error;
}

// While a run is under way no list command acts and nothing is dropped.
void TMainForm::BeginRun()
{
    running_ = true;
    auto commands = RunLockedCommands();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        commandsBeforeRun_[i] = commands[i]->isEnabled();
        commands[i]->setEnabled(false);
    }
    LogList->AllowDrops(false);
    LogList->MarkEntryUnderWay(-1);
    reporter_->PumpAtNextCall();
}

void TMainForm::EndRun()
{
    reporter_->Flush();
    LogList->MarkEntryUnderWay(-1);
    auto commands = RunLockedCommands();
    for (std::size_t i = 0; i < commands.size(); ++i) commands[i]->setEnabled(commandsBeforeRun_[i]);
    openTargetCmd_->setEnabled(!ctx_->settings.TargetDir.empty());
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

// Shown the first time: at the form's size when the screen has room for it,
// else as large as the screen allows, and centred.
void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (placed_ || !screen()) return;
    placed_ = true;
    const QRect screenRoom = screen()->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize fitting = size().boundedTo(screenRoom.size() - frameExtra).expandedTo(minimumSizeHint());
    if (fitting != size()) resize(fitting);
    QRect frame = frameGeometry();
    frame.moveCenter(screenRoom.center());
    move(frame.topLeft());
}

}  // namespace eit::window
