#pragma once

#include <QString>
#include <QStringList>

namespace reelcase::swf {

// Which installed fonts stand in for a font a movie names but does not embed. Called on
// the drawing thread.
class DeviceFonts {
public:
    virtual ~DeviceFonts() = default;
    // Families to try in order for the movie's font name: the format's generic names
    // (_sans, _serif, _typewriter) become the system's, others pass through followed by
    // the default sans-serif, and a face with Chinese glyphs comes last.
    virtual QStringList families(const QString& name) const;
};

// The mapping above, shared by players whose host offers nothing else.
const DeviceFonts& defaultDeviceFonts();

} // namespace reelcase::swf
