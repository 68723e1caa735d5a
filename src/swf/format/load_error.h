#pragma once

#include <QString>

namespace reelcase::swf {

// Why a file could not be loaded: a reason in words and the byte offset where reading
// stopped (in the uncompressed body where the body was compressed).
struct LoadError {
    QString reason;
    qint64 offset = 0;
};

} // namespace reelcase::swf
