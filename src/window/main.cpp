// extract-insert-tool: the program's window.
#include <QApplication>

#include "window/AppIcon.h"
#include "window/MainForm.h"
#include "window/QtDialogs.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(eit::window::AppIcon());
    // Lets the desktop match the window to its entry (extract-insert-tool.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("extract-insert-tool"));
    eit::window::QtDialogs dialogs;
    eit::window::TMainForm form(dialogs);
    dialogs.SetOwner(&form);
    form.show();
    return app.exec();
}
