// pelmora-icon-painter: writes the application icon as PNG files, one per size, in
// the hicolor theme's layout: <dir>/<size>x<size>/apps/<name>.png.
#include "screen_icon_layout.h"
#include "screen_icon_painter.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelmora-icon-painter <output dir> <icon name>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : icon::iconSizes()) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) || !icon::paintScreenIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "pelmora-icon-painter: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
