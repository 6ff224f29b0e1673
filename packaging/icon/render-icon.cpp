// Quillon build tool: renders the application's icon, drawn by the same code as the Quick Start
// pictures, as SVG and as PNG in the sizes desktops ask for, in an icon theme's layout:
//   render-icon FOLDER NAME  ->  FOLDER/scalable/apps/NAME.svg, FOLDER/<n>x<n>/apps/NAME.png
#include "QuickStartPictures.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

namespace {

const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString prepare(const QString& root, const QString& sizeFolder, const QString& file)
{
    const QString folder = root + QLatin1Char('/') + sizeFolder + QStringLiteral("/apps");
    if (!QDir().mkpath(folder))
        return QString();
    return folder + QLatin1Char('/') + file;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: render-icon FOLDER NAME\n", stderr);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);

    const QString svgPath =
        prepare(root, QStringLiteral("scalable"), name + QStringLiteral(".svg"));
    QSvgGenerator svg;
    svg.setFileName(svgPath);
    svg.setSize(QSize(kQuickStartPictureSize, kQuickStartPictureSize));
    svg.setViewBox(QRect(0, 0, kQuickStartPictureSize, kQuickStartPictureSize));
    svg.setTitle(QStringLiteral("Quillon"));
    {
        QPainter painter;
        if (svgPath.isEmpty() || !painter.begin(&svg)) {
            std::fprintf(stderr, "render-icon: cannot write %s\n", qPrintable(svgPath));
            return 1;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        paintAppIcon(painter);
    }

    for (const int size : kSizes) {
        const QImage image = renderPicture(paintAppIcon, size);
        const QString sizeFolder = QStringLiteral("%1x%1").arg(size);
        const QString path = prepare(root, sizeFolder, name + QStringLiteral(".png"));
        if (path.isEmpty() || !image.save(path, "PNG")) {
            std::fprintf(stderr, "render-icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
