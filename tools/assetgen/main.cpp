// Writes every picture of the window into one folder:
//   tonvex-assetgen OUTDIR
// The skin and the icon are reduced to 256 colours; the faces are opaque 24-bit. OUTDIR/windows
// gets what the Windows program embeds beside the PNG files: the faces as bitmaps and the icon.
#include "about_painter.h"
#include "face_painter.h"
#include "ico_writer.h"
#include "icon_painter.h"
#include "palette_quantizer.h"
#include "skin_painter.h"

#include <QDir>
#include <QFile>
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

bool saveBitmap(const QDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
        std::fprintf(stderr, "tonvex-assetgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    return true;
}

// The sizes Windows shows an icon at, from small lists at 100 % to tiles at 200 %.
bool saveWindowsIcon(const QDir& dir) {
    QList<QImage> pictures;
    for (int side : {16, 20, 24, 32, 40, 48, 64, 256})
        pictures.push_back(IconPainter::paint(side));
    const QByteArray bytes = IcoWriter::write(pictures);
    QFile file(dir.filePath(QStringLiteral("tonvex.ico")));
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "tonvex-assetgen: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    std::printf("%s %d sizes\n", qPrintable(file.fileName()), int(pictures.size()));
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

    const QDir windows(dir.filePath(QStringLiteral("windows")));
    if (!QDir().mkpath(windows.path())) {
        std::fprintf(stderr, "tonvex-assetgen: cannot create %s\n", qPrintable(windows.path()));
        return 1;
    }
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        ok &= saveBitmap(windows, "play" + suffix + ".bmp", FacePainter::paintPlay(scale));
        ok &= saveBitmap(windows, "stop" + suffix + ".bmp", FacePainter::paintStop(scale));
        ok &= saveBitmap(windows, "select" + suffix + ".bmp", FacePainter::paintSelect(scale));
    }
    ok &= saveWindowsIcon(windows);
    return ok ? 0 : 1;
}
