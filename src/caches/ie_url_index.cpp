#include "caches/ie_url_index.h"

#include "caches/byte_view.h"

#include <QStringList>

#include <algorithm>

namespace reelcase {

namespace {

constexpr qint64 kFolderCountAt = 0x48;
constexpr qint64 kFoldersAt = 0x4C;
constexpr qint64 kFolderRecordBytes = 12; // file count, 8-character name
constexpr quint32 kMaxFolders = 64;
constexpr qint64 kFirstBlockAt = 0x4000;
constexpr qint64 kBlockBytes = 128;
constexpr qint64 kUrlOffsetAt = 0x34;
constexpr qint64 kFolderIndexAt = 0x38;
constexpr qint64 kFileNameOffsetAt = 0x3C;

// A NUL-terminated string at offset inside record, or empty.
QByteArrayView stringIn(QByteArrayView record, quint32 offset) {
    if (offset == 0 || offset >= quint32(record.size()))
        return {};
    const QByteArrayView rest = record.sliced(offset);
    const qsizetype end = rest.indexOf('\0');
    return end < 0 ? QByteArrayView() : rest.first(end);
}

} // namespace

QString ieUrlIndexKey(const QString& subfolder, const QString& fileName) {
    return (subfolder + QLatin1Char('/') + fileName).toLower();
}

QHash<QString, QString> readIeUrlIndex(QByteArrayView indexDat) {
    QHash<QString, QString> urls;
    const ByteView bytes(indexDat);
    if (!indexDat.startsWith("Client UrlCache MMF Ver "))
        return urls;
    const quint32 folderCount = std::min(bytes.le32(kFolderCountAt).value_or(0), kMaxFolders);
    QStringList folders;
    for (quint32 i = 0; i < folderCount; ++i) {
        QByteArrayView name = bytes.mid(kFoldersAt + i * kFolderRecordBytes + 4, 8);
        if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
            name = name.first(nul);
        folders.append(QString::fromLatin1(name));
    }
    qint64 at = kFirstBlockAt;
    while (bytes.has(at, kBlockBytes)) {
        const auto blocks = bytes.le32(at + 4);
        if (bytes.mid(at, 4) != "URL " || !blocks || *blocks == 0 ||
            !bytes.has(at, qint64(*blocks) * kBlockBytes)) {
            at += kBlockBytes;
            continue;
        }
        const QByteArrayView record = bytes.mid(at, qint64(*blocks) * kBlockBytes);
        const ByteView fields(record);
        const QByteArrayView url = stringIn(record, fields.le32(kUrlOffsetAt).value_or(0));
        const QByteArrayView file = stringIn(record, fields.le32(kFileNameOffsetAt).value_or(0));
        const int folder = kFolderIndexAt < record.size() ? uchar(record[kFolderIndexAt]) : -1;
        if (!url.isEmpty() && !file.isEmpty() && folder >= 0 && folder < folders.size())
            urls.insert(ieUrlIndexKey(folders[folder], QString::fromLocal8Bit(file)),
                        QString::fromLocal8Bit(url));
        at += qint64(*blocks) * kBlockBytes;
    }
    return urls;
}

} // namespace reelcase
