#pragma once

#include "swf/format/dictionary.h"
#include "swf/format/timeline_def.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QRectF>

#include <vector>

namespace reelcase::swf {

// One parsed movie: immutable after parseMovie() returns, shared between players.
class Movie {
public:
    int version = 0;
    QRectF stage;         // twips
    double frameRate = 0; // frames per second, as the header says
    int declaredFrameCount = 0;
    std::uint32_t declaredLength = 0; // the whole file, uncompressed, as the header says
    std::uint32_t fileBytes = 0;      // the file as read (compressed when it is)
    QColor background = Qt::white;
    bool backgroundSet = false;
    bool useNetwork = false; // FileAttributes: a local file may reach the network
    bool truncated = false;  // the file ended before its declared end; frames so far play
    int skippedTags = 0;     // tags that failed to parse and were passed over
    Dictionary dictionary;
    TimelineDef root;
    // ExportAssets: lower-cased linkage name -> character id (attachSound, attachMovie).
    QHash<QString, std::uint16_t> exports;
    // DefineButtonSound by button id.
    QHash<std::uint16_t, ButtonSounds> buttonSounds;
    // ImportAssets: characters this movie takes from another file by its export name.
    struct Import {
        QString url;
        QString name;
        std::uint16_t id = 0; // the id this movie uses for it
    };
    std::vector<Import> imports;
};

} // namespace reelcase::swf
