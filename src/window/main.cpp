// extract-insert-tool: the program's window.
#include <QApplication>

#include "window/MainForm.h"
#include "window/QtDialogs.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    eit::window::QtDialogs dialogs;
    eit::window::TMainForm form(dialogs);
    dialogs.SetOwner(&form);
    form.show();
    return app.exec();
}
