// Times the window, offscreen:
//   window_run TARGET FILE...   one run of the Process command over the files;
//                               prints its seconds and the results line count
//   window_run --lines N        N results lines reported as a handler does,
//                               with 20 us of work and one event pumping per
//                               line; prints the seconds of every tenth, which
//                               stay flat when adding a line costs constant time
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "ScriptedWindowDialogs.h"
#include "window/MainForm.h"
#include "platform/FileSystem.h"

namespace {
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int TimeRun(eit::window::TMainForm& form, eit::window::test::ScriptedWindowDialogs& dialogs, int argc, char** argv)
{
    dialogs.folder = eit::AbsolutePath(argv[1]);
    eit::CreateFolders(*dialogs.folder);
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) files.push_back(eit::AbsolutePath(argv[i]));
    form.DropFiles(files);
    auto start = Clock::now();
    form.BProcessClick();
    double took = SecondsSince(start);
    for (const std::string& error : dialogs.errors) std::fprintf(stderr, "error: %s\n", error.c_str());
    std::printf("%.2f %zu\n", took, form.Reporter().ResultCount());
    return dialogs.errors.empty() ? 0 : 1;
}

int TimeLines(eit::window::TMainForm& form, long count)
{
    eit::Reporter& report = form.Reporter();
    long tenth = count / 10;
    for (int part = 0; part < 10; ++part) {
        auto start = Clock::now();
        for (long i = 0; i < tenth; ++i) {
            for (auto work = Clock::now(); Clock::now() - work < std::chrono::microseconds(20);) {
            }
            report.AddResult("Item " + std::to_string(part * tenth + i) + " data\\item.dat extracted.");
            report.PumpEvents();
        }
        std::printf("%.3f ", SecondsSince(start));
    }
    std::printf("\n");
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_run TARGET FILE... | window_run --lines N\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    eit::window::test::ScriptedWindowDialogs dialogs;
    eit::window::TMainForm form(dialogs);
    form.show();
    if (std::strcmp(argv[1], "--lines") == 0) return TimeLines(form, std::atol(argv[2]));
    return TimeRun(form, dialogs, argc, argv);
}
