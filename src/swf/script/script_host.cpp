#include "swf/script/script_host.h"

#include <QDateTime>

namespace reelcase::swf {

qint64 ScriptHost::currentTimeMs() const {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace reelcase::swf
