// extract-insert-tool: the program's window.
#include <QApplication>
#include <QTimer>
#include <cstring>

#include "main/window/MainForm.h"
#include "main/window/QtDialogs.h"
#include "platform/FileSystem.h"

namespace {

// For screenshots of a run under way:
//   extract-insert-tool --screenshot-run TARGET FILE...
// puts the files on the job list, answers the folder picker with TARGET and
// starts a run whose event pumping is slowed down so that it can be watched.
constexpr const char* kScreenshotRun = "--screenshot-run";
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
    PresetFolderDialogs dialogs;
    eit::window::TMainForm form(dialogs);
    dialogs.SetOwner(&form);
    form.show();

    if (argc >= 4 && std::strcmp(argv[1], kScreenshotRun) == 0) {
        dialogs.folder = eit::AbsolutePath(argv[2]);
        eit::CreateFolders(dialogs.folder);
        std::vector<std::string> files;
        for (int i = 3; i < argc; ++i) files.push_back(eit::AbsolutePath(argv[i]));
        form.DropFiles(files);
        form.Reporter().SetPumpDelay(kScreenshotPumpDelay);
        QTimer::singleShot(0, &form, &eit::window::TMainForm::BProcessClick);
    }
    return app.exec();
}
