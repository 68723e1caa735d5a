#include "platform/safe_file_copy.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace reelcase {

CopyResult copyFileSafely(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("无法读取文件“%1”：%2").arg(source, in.errorString())};
    if (QFileInfo(destination).isDir())
        return {false, QStringLiteral("“%1”是一个文件夹。").arg(destination)};

    QSaveFile out(destination);
    // Writing straight to the destination would destroy it on a failed copy.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("无法写入“%1”：%2").arg(destination, out.errorString())};

    constexpr qint64 kChunk = 1 << 20;
    QByteArray buffer;
    for (;;) {
        buffer = in.read(kChunk);
        if (buffer.isEmpty())
            break;
        if (out.write(buffer) != buffer.size()) {
            const QString why = out.errorString();
            out.cancelWriting();
            return {false, QStringLiteral("无法写入“%1”：%2").arg(destination, why)};
        }
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return {false, QStringLiteral("无法读取文件“%1”：%2").arg(source, in.errorString())};
    }
    in.close();
    if (!out.commit())
        return {false, QStringLiteral("无法写入“%1”：%2").arg(destination, out.errorString())};
    return {true, {}};
}

} // namespace reelcase
