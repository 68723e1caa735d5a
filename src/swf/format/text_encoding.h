#pragma once

#include <QByteArrayView>
#include <QString>

namespace reelcase::swf {

// Decodes a string from a SWF file. Files of version 6 and later store UTF-8; older ones
// store the authoring system's code page, which for the movies this player meets is GBK.
// So: valid UTF-8 is read as UTF-8, anything else as GB18030 (a superset of GBK), whatever
// the version, since tools of both eras broke the rule.
QString decodeSwfText(QByteArrayView bytes);

} // namespace reelcase::swf
