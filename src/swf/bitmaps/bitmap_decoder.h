#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace reelcase::swf {

// A decoded bitmap, or why it could not be decoded. The image is always
// QImage::Format_ARGB32_Premultiplied when valid.
struct DecodedBitmap {
    QImage image;
    QString error;
    bool ok() const { return !image.isNull(); }
};

// Each decoder takes the body of its tag after the 16-bit character id.

// DefineBits: JPEG image data that relies on the movie's JPEGTables (which may be empty).
DecodedBitmap decodeDefineBits(QByteArrayView imageData, QByteArrayView jpegTables);

// DefineBitsJPEG2: a complete JPEG, PNG or GIF.
DecodedBitmap decodeDefineBitsJpeg2(QByteArrayView imageData);

// DefineBitsJPEG3 (withDeblocking false) and DefineBitsJPEG4 (true): a 32-bit offset to the
// alpha plane, for JPEG4 a deblocking parameter (read and ignored), the image (JPEG, PNG or
// GIF), then a zlib-compressed alpha byte per pixel that applies to JPEG data only. An alpha
// plane that is missing or short leaves the image opaque.
DecodedBitmap decodeDefineBitsJpeg3(QByteArrayView body, bool withDeblocking);

// DefineBitsLossless (withAlpha false) and DefineBitsLossless2 (true): format, width,
// height, colour table size for the colour-mapped format, and zlib data. Formats: 3 (8-bit
// indices into a colour table), 4 (15-bit RGB), 5 (32-bit XRGB, or premultiplied ARGB).
// Rows of formats 3 and 4 are padded to 32 bits. Indices past the colour table are
// transparent.
DecodedBitmap decodeDefineBitsLossless(QByteArrayView body, bool withAlpha);

// Inflates a zlib stream into exactly expectedSize bytes; empty (with error set) when the
// stream is damaged or ends early. Bytes past expectedSize are ignored.
QByteArray inflateExactly(QByteArrayView zlibData, qint64 expectedSize, QString* error);

} // namespace reelcase::swf
