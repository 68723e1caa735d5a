#include "swf/bitmaps/bitmap_decoder.h"

#include "swf/bitmaps/jpeg_data.h"
#include "swf/format/limits.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace reelcase::swf {

namespace {

enum LosslessFormat { ColourMapped8 = 3, Rgb15 = 4, Rgb32 = 5 };

DecodedBitmap failure(const QString& reason) {
    return {QImage(), reason};
}

bool sizeAllowed(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= limits::maxBitmapSide &&
           height <= limits::maxBitmapSide && width * height <= limits::maxBitmapPixels;
}

quint16 readU16(QByteArrayView data, qsizetype at) {
    return quint16(quint8(data[at]) | (quint8(data[at + 1]) << 8));
}

quint32 readU32(QByteArrayView data, qsizetype at) {
    return quint32(readU16(data, at)) | (quint32(readU16(data, at + 2)) << 16);
}

// Keeps premultiplied colour channels at or below alpha, as QImage requires; files written
// by careless tools carry colours brighter than their alpha.
QRgb clampedPremultiplied(int a, int r, int g, int b) {
    return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

// Decodes JPEG, PNG or GIF through Qt's image readers, checking the declared size before
// any pixel is allocated.
DecodedBitmap decodeWithQt(const QByteArray& data, const char* format) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return failure(QStringLiteral("unreadable image data"));
    if (!sizeAllowed(size.width(), size.height()))
        return failure(QStringLiteral("image of %1 x %2 pixels exceeds the limit")
                           .arg(size.width())
                           .arg(size.height()));
    QImage image = reader.read();
    if (image.isNull())
        return failure(
            QStringLiteral("image data could not be decoded: %1").arg(reader.errorString()));
    return {image.convertToFormat(QImage::Format_ARGB32_Premultiplied), {}};
}

bool isJpeg(QByteArrayView data) {
    // A JPEG, possibly behind the erroneous end/start header.
    return data.size() >= 2 && quint8(data[0]) == 0xFF &&
           (quint8(data[1]) == 0xD8 || quint8(data[1]) == 0xD9);
}

// Multiplies each pixel by its alpha byte; keeps the image opaque when the plane is short.
void applyAlphaPlane(QImage& image, QByteArrayView zlibAlpha) {
    if (zlibAlpha.isEmpty())
        return;
    const qint64 count = qint64(image.width()) * image.height();
    QString ignored;
    const QByteArray alpha = inflateExactly(zlibAlpha, count, &ignored);
    if (alpha.size() != count)
        return;
    const auto* a = reinterpret_cast<const quint8*>(alpha.constData());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, ++a) {
            const QRgb p = line[x];
            const int alphaValue = *a;
            line[x] = qRgba(qRed(p) * alphaValue / 255, qGreen(p) * alphaValue / 255,
                            qBlue(p) * alphaValue / 255, alphaValue);
        }
    }
}

} // namespace

QByteArray inflateExactly(QByteArrayView zlibData, qint64 expectedSize, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (expectedSize <= 0 || expectedSize > limits::maxBitmapPixels * 4 + 1024)
        return fail(QStringLiteral("decompressed size %1 out of range").arg(expectedSize));
    QByteArray out(qsizetype(expectedSize), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return fail(QStringLiteral("zlib could not start"));
    // zlib reads through a non-const pointer but does not write to the input.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zlibData.data()));
    stream.avail_in = uInt(std::min<qsizetype>(zlibData.size(), std::numeric_limits<uInt>::max()));
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    int result = Z_OK;
    while (stream.avail_out > 0 && result == Z_OK)
        result = inflate(&stream, Z_SYNC_FLUSH);
    const qint64 produced = qint64(stream.total_out);
    inflateEnd(&stream);
    if (produced < expectedSize) {
        return fail(result == Z_DATA_ERROR ? QStringLiteral("damaged zlib data")
                                           : QStringLiteral("zlib data ends after %1 of %2 bytes")
                                                 .arg(produced)
                                                 .arg(expectedSize));
    }
    return out;
}

DecodedBitmap decodeDefineBits(QByteArrayView imageData, QByteArrayView jpegTables) {
    return decodeWithQt(mergeJpegTables(jpegTables, imageData), "jpeg");
}

DecodedBitmap decodeDefineBitsJpeg2(QByteArrayView imageData) {
    if (isJpeg(imageData))
        return decodeWithQt(repairJpeg(imageData), "jpeg");
    return decodeWithQt(imageData.toByteArray(), nullptr);
}

DecodedBitmap decodeDefineBitsJpeg3(QByteArrayView body, bool withDeblocking) {
    const qsizetype headerSize = withDeblocking ? 6 : 4;
    if (body.size() < headerSize)
        return failure(QStringLiteral("bitmap tag too short"));
    const quint32 imageSize = readU32(body, 0);
    if (imageSize > quint32(body.size() - headerSize))
        return failure(QStringLiteral("image size %1 runs past the tag").arg(imageSize));
    const QByteArrayView imageData = body.sliced(headerSize, imageSize);
    const bool jpeg = isJpeg(imageData);
    DecodedBitmap decoded = decodeDefineBitsJpeg2(imageData);
    if (decoded.ok() && jpeg)
        applyAlphaPlane(decoded.image, body.sliced(headerSize + imageSize));
    return decoded;
}

DecodedBitmap decodeDefineBitsLossless(QByteArrayView body, bool withAlpha) {
    if (body.size() < 5)
        return failure(QStringLiteral("bitmap tag too short"));
    const int format = quint8(body[0]);
    const int width = readU16(body, 1);
    const int height = readU16(body, 3);
    if (format != ColourMapped8 && format != Rgb15 && format != Rgb32)
        return failure(QStringLiteral("unknown lossless bitmap format %1").arg(format));
    if (!sizeAllowed(width, height))
        return failure(QStringLiteral("bitmap of %1 x %2 pixels is empty or exceeds the limit")
                           .arg(width)
                           .arg(height));
    qsizetype offset = 5;
    int colourCount = 0;
    if (format == ColourMapped8) {
        if (body.size() < 6)
            return failure(QStringLiteral("bitmap tag too short"));
        colourCount = quint8(body[5]) + 1;
        offset = 6;
    }
    const int entrySize = withAlpha ? 4 : 3;
    const qint64 paletteBytes = qint64(colourCount) * entrySize;
    const qint64 rowBytes = format == ColourMapped8 ? (qint64(width) + 3) & ~3
                            : format == Rgb15       ? (qint64(width) * 2 + 3) & ~3
                                                    : qint64(width) * 4;
    QString error;
    const QByteArray data =
        inflateExactly(body.sliced(offset), paletteBytes + rowBytes * height, &error);
    if (data.isEmpty())
        return failure(error);
    const auto* bytes = reinterpret_cast<const quint8*>(data.constData());

    QRgb palette[256] = {};
    for (int i = 0; i < colourCount; ++i) {
        const quint8* e = bytes + i * entrySize;
        palette[i] =
            withAlpha ? clampedPremultiplied(e[3], e[0], e[1], e[2]) : qRgb(e[0], e[1], e[2]);
    }
    const quint8* pixels = bytes + paletteBytes;

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return failure(QStringLiteral("out of memory for the bitmap"));
    for (int y = 0; y < height; ++y) {
        const quint8* row = pixels + rowBytes * y;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (format) {
            case ColourMapped8:
                // Entries past the table stay zero: transparent.
                line[x] = palette[row[x]];
                break;
            case Rgb15: {
                const int v = (row[2 * x] << 8) | row[2 * x + 1];
                const auto expand = [](int c) { return (c << 3) | (c >> 2); };
                line[x] = qRgb(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
                break;
            }
            default: {
                const quint8* p = row + 4 * x;
                line[x] = withAlpha ? clampedPremultiplied(p[0], p[1], p[2], p[3])
                                    : qRgb(p[1], p[2], p[3]);
            }
            }
        }
    }
    return {image, {}};
}

} // namespace reelcase::swf
