// The controls of MainForm: names, places, sizes, captions and initial states,
// and their places when the window is resized.
#include <QEvent>
#include <QMenuBar>

#include "window/MainForm.h"
#include "window/ToolbarImages.h"

namespace eit::window {

namespace {
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 464;
constexpr int kMinClientWidth = 480;
constexpr int kMinClientHeight = 300;
constexpr int kToolBarHeight = 26;
constexpr int kLogListHeight = 189;
constexpr int kResultsHeight = 183;
constexpr int kGroupBoxHeight = 66;
constexpr int kToolButtonWidth = 23;
constexpr int kToolButtons = 6;
// Inside the group box: the bars keep 12 pixels left and 5 right, the buttons
// stand at the right edge, and the Extracted label starts 172 pixels left of
// Save results unless its text needs more.
constexpr int kBarLeft = 12;
constexpr int kBarRightMargin = 5;
constexpr int kSaveLogFromRight = 182;
constexpr int kStopFromRight = 76;
constexpr int kExtractedRoom = 172;
constexpr int kLabelGap = 4;

template <typename Control>
Control* Named(Control* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A toolbar button showing the command's picture, its tooltip and state.
QToolButton* MakeToolButton(QWidget* bar, const char* name, int left, ToolbarImage image, QAction* command)
{
    auto* button = Named(new QToolButton(bar), name);
    button->setGeometry(left, 1, kToolButtonWidth, kToolBarHeight - 4);
    button->setAutoRaise(true);  // a flat toolbar
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    command->setIcon(ToolbarIcon(image));
    button->setDefaultAction(command);
    button->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const char* text)
{
    auto* label = Named(new QLabel(QString::fromLatin1(text), parent), name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A speed button captioned with the command's text.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QRect& place, QAction* command)
{
    auto* button = Named(new QToolButton(parent), name);
    button->setGeometry(place);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setDefaultAction(command);
    return button;
}

QProgressBar* MakeBar(QWidget* parent, const char* name, int top)
{
    auto* bar = Named(new QProgressBar(parent), name);
    bar->setGeometry(kBarLeft, top, kClientWidth - kBarLeft - kBarRightMargin, 13);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}
}  // namespace

void TMainForm::CreateControls()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Extract\\Insert Tool"));
    client_ = Named(new QWidget(this), "ClientArea");
    setCentralWidget(client_);
    client_->setMinimumSize(kMinClientWidth, kMinClientHeight);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);  // 8 points at 96 pixels per inch
    client_->setFont(font);
    client_->setAutoFillBackground(true);
    client_->setBackgroundRole(QPalette::Button);

    ToolBar1 = Named(new QFrame(client_), "ToolBar1");
    ToolBar1->setFrameShape(QFrame::Panel);  // edge lines on all four sides
    ToolBar1->setFrameShadow(QFrame::Raised);
    BAddLog = MakeToolButton(ToolBar1, "BAddLog", 0, ToolbarImage::AddFiles, addFilesCmd_);
    BSaveList = MakeToolButton(ToolBar1, "BSaveList", 23, ToolbarImage::SaveList, saveListCmd_);
    BRemLog = MakeToolButton(ToolBar1, "BRemLog", 46, ToolbarImage::Remove, removeCmd_);
    BClearAll = MakeToolButton(ToolBar1, "BClearAll", 69, ToolbarImage::ClearList, clearCmd_);
    BProcess = MakeToolButton(ToolBar1, "BProcess", 92, ToolbarImage::Process, processCmd_);
    BExit = MakeToolButton(ToolBar1, "BExit", 115, ToolbarImage::Exit, exitCmd_);
    // What the job list holds, right of the buttons and so above the list.
    KindCaption = Named(new QLabel(ToolBar1), "KindCaption");
    KindCaption->setTextFormat(Qt::PlainText);

    LogList = Named(new JobListBox(client_), "LogList");
    Results = Named(new ResultsPane(client_), "Results");

    GroupBox1 = Named(new QGroupBox(QStringLiteral(" Process "), client_), "GroupBox1");
    // The caption sits on the frame line, clear of the controls below it.
    GroupBox1->setStyleSheet(QStringLiteral(
        "QGroupBox#GroupBox1 { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox#GroupBox1::title { subcontrol-origin: margin; left: 8px; top: 0px; }"));
    PFile = MakeLabel(GroupBox1, "PFile", 11, 16, "");
    CurrentMessage = MakeLabel(GroupBox1, "CurrentMessage", 12, 16, "");
    Extracted = MakeLabel(GroupBox1, "Extracted", 334, 14, "Extracted: 0");
    Extracted->setMinimumSize(57, 13);
    SaveLog = MakeSpeedButton(GroupBox1, "SaveLog", QRect(506, 10, 105, 19), saveResultsCmd_);
    Stop = MakeSpeedButton(GroupBox1, "Stop", QRect(612, 10, 71, 19), stopCmd_);
    Progress = MakeBar(GroupBox1, "Progress", 32);
    Total = MakeBar(GroupBox1, "Total", 48);

    client_->installEventFilter(this);
    Extracted->installEventFilter(this);
    client_->resize(kClientWidth, kClientHeight);
    LayOut(client_->size());
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void TMainForm::LayOut(QSize size)
{
    const int width = size.width();
    ToolBar1->setGeometry(0, 0, width, kToolBarHeight);
    const int captionLeft = kToolButtons * kToolButtonWidth + 8;
    KindCaption->setGeometry(captionLeft, 1, std::max(0, width - captionLeft - 6), kToolBarHeight - 4);

    // The list and the results share the room between toolbar and group box
    // in the form's proportion, 189 to 183.
    const int groupTop = size.height() - kGroupBoxHeight;
    const int room = groupTop - kToolBarHeight;
    const int listHeight = room * kLogListHeight / (kLogListHeight + kResultsHeight);
    LogList->setGeometry(0, kToolBarHeight, width, listHeight);
    Results->setGeometry(0, kToolBarHeight + listHeight, width, room - listHeight);
    GroupBox1->setGeometry(0, groupTop, width, kGroupBoxHeight);

    SaveLog->move(width - kSaveLogFromRight, SaveLog->y());
    Stop->move(width - kStopFromRight, Stop->y());
    for (QProgressBar* bar : {Progress, Total}) bar->resize(width - kBarLeft - kBarRightMargin, bar->height());
    LayOutStatusRow(width);
}

// The Extracted label keeps clear of Save results however long its count, and
// the message label ends before it.
void TMainForm::LayOutStatusRow(int width)
{
    const int saveLogLeft = width - kSaveLogFromRight;
    const int extractedLeft = saveLogLeft - std::max(kExtractedRoom, Extracted->width() + kLabelGap);
    Extracted->move(std::max(kBarLeft, extractedLeft), Extracted->y());
    CurrentMessage->setMaximumWidth(std::max(0, Extracted->x() - CurrentMessage->x() - kLabelGap));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == client_) LayOut(client_->size());
        if (watched == Extracted) LayOutStatusRow(client_->width());
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace eit::window
