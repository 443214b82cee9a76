// The window for screenshots (scripts/screenshot.sh):
//   screenshot_run TARGET FILE...          shows the window with the files on
//       its job list, answers the folder picker with TARGET and starts a run
//       whose event pumping is slowed down so that it can be watched
//   screenshot_run --idle TARGET FILE...   the same without starting the run
#include <QApplication>
#include <QTimer>
#include <cstring>

#include "window/AppIcon.h"
#include "window/MainForm.h"
#include "window/QtDialogs.h"
#include "platform/FileSystem.h"

namespace {

constexpr std::chrono::milliseconds kScreenshotPumpDelay{4};

class PresetFolderDialogs : public eit::window::QtDialogs {
public:
    std::string folder;
    std::optional<std::string> PickTargetFolder(const std::string& start) override
    {
        return folder.empty() ? QtDialogs::PickTargetFolder(start) : folder;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(eit::window::AppIcon());
    const bool idle = argc > 1 && std::strcmp(argv[1], "--idle") == 0;
    if (idle) {
        --argc;
        ++argv;
    }
    PresetFolderDialogs dialogs;
    eit::window::TMainForm form(dialogs);
    dialogs.SetOwner(&form);
    form.show();

    if (argc >= 3) {
        dialogs.folder = eit::AbsolutePath(argv[1]);
        eit::CreateFolders(dialogs.folder);
        std::vector<std::string> files;
        for (int i = 2; i < argc; ++i) files.push_back(eit::AbsolutePath(argv[i]));
        form.DropFiles(files);
        form.Reporter().SetPumpDelay(kScreenshotPumpDelay);
        if (!idle) QTimer::singleShot(0, &form, &eit::window::TMainForm::BProcessClick);
    }
    return app.exec();
}
