#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace reelcase {

// The URLs of the files of an Internet Explorer cache, from its index.dat ("Client
// UrlCache MMF Ver 5.2"): the header lists the cache's subfolders, and each "URL " record
// (in 128-byte blocks from 0x4000) gives the offsets of its URL and file name and the
// index of its subfolder. Keys are "<subfolder>/<file name>" in lower case.
QHash<QString, QString> readIeUrlIndex(QByteArrayView indexDat);

// The key of a cached file in that table.
QString ieUrlIndexKey(const QString& subfolder, const QString& fileName);

} // namespace reelcase
