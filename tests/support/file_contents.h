#pragma once

#include <QByteArray>
#include <QString>

namespace reelcase::test {

// Writes bytes to path, replacing what was there; fails the running test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);

// The bytes of path, or empty when it cannot be read.
QByteArray readFile(const QString& path);

} // namespace reelcase::test
