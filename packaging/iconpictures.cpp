// Writes the program's icon as PNG pictures for the icon theme:
//   iconpictures FOLDER SIZE...  ->  FOLDER/qmxsrv-SIZE.png
#include "dialogs/programicon.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: iconpictures FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString file = QStringLiteral("%1/qmxsrv-%2.png").arg(argv[1]).arg(size);
        if (size <= 0 || !qmxsrv::programIconPixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "iconpictures: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
