// Writes every picture of the window into one folder:
//   tonvex-assetgen OUTDIR
// The skin and the icon are reduced to 256 colours; the faces are opaque 24-bit.
#include "about_painter.h"
#include "face_painter.h"
#include "icon_painter.h"
#include "palette_quantizer.h"
#include "skin_painter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <functional>

using namespace tonvex::assetgen;

namespace {

bool save(const QDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "tonvex-assetgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonvex-assetgen OUTDIR\n");
        return 2;
    }
    // Text needs a GUI application for its fonts, but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "tonvex-assetgen: cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        ok &= save(dir, "skin" + suffix + ".png", PaletteQuantizer::toIndexed8(SkinPainter::paint(scale)));
        ok &= save(dir, "about" + suffix + ".png", AboutPainter::paint(scale));
        ok &= save(dir, "play" + suffix + ".png", FacePainter::paintPlay(scale));
        ok &= save(dir, "stop" + suffix + ".png", FacePainter::paintStop(scale));
        ok &= save(dir, "select" + suffix + ".png", FacePainter::paintSelect(scale));
        ok &= save(dir, "icon" + suffix + ".png", PaletteQuantizer::toIndexed8(IconPainter::paint(32 * scale)));
    }
    // Full-colour icons for the desktop's icon theme.
    for (int side : {32, 64, 256})
        ok &= save(dir, QStringLiteral("icon-%1.png").arg(side), IconPainter::paint(side));
    return ok ? 0 : 1;
}
