#pragma once

#include "swfhost/stage_image.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace reelcase::swfrun {

struct PngRequest {
    int frame = 0; // 1-based
    QString path;
};

struct RunOptions {
    QString moviePath;
    int frames = 1;
    QString inputPath;
    QList<PngRequest> pngs;
    swfhost::StageImageOptions image;
    double timeoutSeconds = 600;
    QString audioPath; // the run's sound as WAV, on the frame clock; empty: none
};

struct ParsedArguments {
    std::optional<RunOptions> options; // empty when help was printed or on error
    QString error;                     // set when the arguments are wrong
};

ParsedArguments parseArguments(const QStringList& arguments);

} // namespace reelcase::swfrun
