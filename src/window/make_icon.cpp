// Writes the program's icon as PNG files for the install:
//   make_icon FOLDER SIZE...   writes FOLDER/SIZExSIZE/extract-insert-tool.png
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "window/AppIcon.h"

int main(int argc, char** argv)
{
    // Images are drawn and saved without a display or an application object.
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icon FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !eit::window::AppIconImage(size).save(folder + QStringLiteral("/extract-insert-tool.png"))) {
            std::fprintf(stderr, "make_icon: cannot write the %s icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
