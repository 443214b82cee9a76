// The controls of MainForm: names, places, sizes, captions and initial states.
#include "window/MainForm.h"
#include "window/ToolbarImages.h"

namespace eit::window {

namespace {
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 464;
constexpr int kToolBarHeight = 26;
constexpr int kLogListHeight = 189;
constexpr int kGroupBoxHeight = 66;
constexpr int kToolButtonWidth = 23;

template <typename Control>
Control* Named(Control* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QToolButton* MakeToolButton(QWidget* bar, const char* name, int left, ToolbarImage image, const char* tip, bool enabled)
{
    auto* button = Named(new QToolButton(bar), name);
    button->setGeometry(left, 1, kToolButtonWidth, kToolBarHeight - 4);
    button->setAutoRaise(true);  // a flat toolbar
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(ToolbarIcon(image));
    button->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    button->setToolTip(QString::fromLatin1(tip));
    button->setEnabled(enabled);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const char* text)
{
    auto* label = Named(new QLabel(QString::fromLatin1(text), parent), name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QRect& place, const char* caption)
{
    auto* button = Named(new QToolButton(parent), name);
    button->setGeometry(place);
    button->setText(QString::fromLatin1(caption));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setEnabled(false);
    return button;
}

QProgressBar* MakeBar(QWidget* parent, const char* name, int top)
{
    auto* bar = Named(new QProgressBar(parent), name);
    bar->setGeometry(12, top, 671, 13);
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
    setFixedSize(kClientWidth, kClientHeight);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);  // 8 points at 96 pixels per inch
    setFont(font);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    ToolBar1 = Named(new QFrame(this), "ToolBar1");
    ToolBar1->setGeometry(0, 0, kClientWidth, kToolBarHeight);
    ToolBar1->setFrameShape(QFrame::Panel);  // edge lines on all four sides
    ToolBar1->setFrameShadow(QFrame::Raised);
    BAddLog = MakeToolButton(ToolBar1, "BAddLog", 0, ToolbarImage::AddFiles, "Add files", true);
    BSaveList = MakeToolButton(ToolBar1, "BSaveList", 23, ToolbarImage::SaveList, "Save project list", false);
    BRemLog = MakeToolButton(ToolBar1, "BRemLog", 46, ToolbarImage::Remove, "Remove selected entries", false);
    BClearAll = MakeToolButton(ToolBar1, "BClearAll", 69, ToolbarImage::ClearList, "Clear list", false);
    BProcess = MakeToolButton(ToolBar1, "BProcess", 92, ToolbarImage::Process, "Process", false);
    BExit = MakeToolButton(ToolBar1, "BExit", 115, ToolbarImage::Exit, "Exit", true);

    LogList = Named(new JobListBox(this), "LogList");
    LogList->setGeometry(0, kToolBarHeight, kClientWidth, kLogListHeight);

    const int resultsTop = kToolBarHeight + kLogListHeight;
    const int groupTop = kClientHeight - kGroupBoxHeight;
    Results = Named(new ResultsPane(this), "Results");
    Results->setGeometry(0, resultsTop, kClientWidth, groupTop - resultsTop);

    GroupBox1 = Named(new QGroupBox(QStringLiteral(" Process "), this), "GroupBox1");
    GroupBox1->setGeometry(0, groupTop, kClientWidth, kGroupBoxHeight);
    // The caption sits on the frame line, clear of the controls below it.
    GroupBox1->setStyleSheet(QStringLiteral(
        "QGroupBox#GroupBox1 { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox#GroupBox1::title { subcontrol-origin: margin; left: 8px; top: 0px; }"));
    PFile = MakeLabel(GroupBox1, "PFile", 11, 16, "");
    CurrentMessage = MakeLabel(GroupBox1, "CurrentMessage", 12, 16, "");
    CurrentMessage->setMaximumWidth(334 - 12 - 4);  // ends before the Extracted label
    Extracted = MakeLabel(GroupBox1, "Extracted", 334, 14, "Extracted: 0");
    Extracted->setMinimumSize(57, 13);
    SaveLog = MakeSpeedButton(GroupBox1, "SaveLog", QRect(506, 10, 105, 19), "Save results");
    Stop = MakeSpeedButton(GroupBox1, "Stop", QRect(612, 10, 71, 19), "Stop");
    Progress = MakeBar(GroupBox1, "Progress", 32);
    Total = MakeBar(GroupBox1, "Total", 48);
}

std::array<QToolButton*, 6> TMainForm::ToolbarButtons() const
{
    return {BAddLog, BSaveList, BRemLog, BClearAll, BProcess, BExit};
}

}  // namespace eit::window
