#include "ico_writer.h"

#include <QBuffer>
#include <QDataStream>

namespace tonvex::assetgen {
namespace {

constexpr int kLargest = 256;
constexpr quint32 kInfoHeaderSize = 40;
constexpr int kDirectoryEntrySize = 16;

// A bitmap entry: the header, the colour rows bottom-up, then the transparency mask.
QByteArray bitmapEntry(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int side = image.width();
    const int maskStride = ((side + 31) / 32) * 4;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    // The height counts the colour rows and the mask rows together.
    out << kInfoHeaderSize << qint32(side) << qint32(2 * side) << quint16(1) << quint16(32) << quint32(0)
        << quint32(0) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = side - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < side; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x])) << quint8(qAlpha(row[x]));
    }
    for (int y = side - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < side; ++x)
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        out.writeRawData(mask.constData(), int(mask.size()));
    }
    return bytes;
}

QByteArray pngEntry(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return bytes;
}

} // namespace

QByteArray IcoWriter::write(const QList<QImage>& pictures) {
    QList<QByteArray> entries;
    for (const QImage& picture : pictures) {
        if (picture.isNull() || picture.width() != picture.height() || picture.width() > kLargest)
            return {};
        entries.push_back(picture.width() == kLargest ? pngEntry(picture) : bitmapEntry(picture));
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(pictures.size());
    quint32 offset = 6 + kDirectoryEntrySize * quint32(pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        // 0 stands for 256 in the one-byte width and height.
        const quint8 side = quint8(pictures[i].width() % kLargest);
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32) << quint32(entries[i].size())
            << offset;
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& entry : entries)
        out.writeRawData(entry.constData(), int(entry.size()));
    return bytes;
}

} // namespace tonvex::assetgen
