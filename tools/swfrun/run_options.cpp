#include "run_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cstdio>

namespace reelcase::swfrun {

namespace {

constexpr int kMaxFrames = 1'000'000;
constexpr int kMaxViewportSide = 16384;

const QString kHelpHeader = QStringLiteral(
    "Runs a SWF movie without a window and prints what its scripts trace, one line per\n"
    "call. Exit status: 0 after the run, 1 when the movie or the input cannot be read,\n"
    "2 on bad arguments, 3 when --timeout cut the run.");

std::optional<int> frameNumber(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > kMaxFrames)
        return std::nullopt;
    return n;
}

} // namespace

ParsedArguments parseArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kHelpHeader);
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames to run (default 1)."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("input"),
                      QStringLiteral("Recorded mouse and keyboard events (JSON)."),
                      QStringLiteral("EVENTS.json")});
    parser.addOption({QStringLiteral("quality"),
                      QStringLiteral("low, medium or high (default high)."), QStringLiteral("Q"),
                      QStringLiteral("high")});
    parser.addOption({QStringLiteral("png"),
                      QStringLiteral("Writes the stage after the last frame."),
                      QStringLiteral("OUT.png")});
    parser.addOption({QStringLiteral("png-at"),
                      QStringLiteral("Writes the stage after frame K (may be repeated)."),
                      QStringLiteral("K:OUT.png")});
    parser.addOption({QStringLiteral("viewport"),
                      QStringLiteral("Pictures of W x H pixels, the stage stretched to fill "
                                     "them (default: the stage at scale 1)."),
                      QStringLiteral("WxH")});
    parser.addOption({QStringLiteral("audio"),
                      QStringLiteral("Writes the run's sound (44.1 kHz, 16-bit stereo WAV) on "
                                     "the frame clock: frame K's sounds start at (K-1)/rate."),
                      QStringLiteral("OUT.wav")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Stops the run after this many seconds (default 600)."),
                      QStringLiteral("SECONDS"), QStringLiteral("600")});
    parser.addPositionalArgument(QStringLiteral("movie"), QStringLiteral("The .swf file."));

    ParsedArguments result;
    const auto fail = [&](const QString& why) {
        result.error = why;
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return result;
    }
    RunOptions options;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(QStringLiteral("expected one movie, IN.swf"));
    options.moviePath = positional.front();

    const auto frames = frameNumber(parser.value(QStringLiteral("frames")));
    if (!frames)
        return fail(QStringLiteral("--frames wants a whole number from 1 to %1").arg(kMaxFrames));
    options.frames = *frames;

    const auto quality = swfhost::qualityFromName(parser.value(QStringLiteral("quality")));
    if (!quality)
        return fail(QStringLiteral("--quality wants low, medium or high"));
    options.image.quality = *quality;

    if (parser.isSet(QStringLiteral("viewport"))) {
        static const QRegularExpression size(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
        const auto match = size.match(parser.value(QStringLiteral("viewport")));
        const int w = match.hasMatch() ? match.captured(1).toInt() : 0;
        const int h = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (w < 1 || h < 1 || w > kMaxViewportSide || h > kMaxViewportSide)
            return fail(
                QStringLiteral("--viewport wants WxH, each from 1 to %1").arg(kMaxViewportSide));
        options.image.viewport = QSize(w, h);
    }

    bool ok = false;
    options.timeoutSeconds = parser.value(QStringLiteral("timeout")).toDouble(&ok);
    if (!ok || !(options.timeoutSeconds > 0) || options.timeoutSeconds > 1e6)
        return fail(QStringLiteral("--timeout wants a number of seconds above 0"));

    options.inputPath = parser.value(QStringLiteral("input"));
    options.audioPath = parser.value(QStringLiteral("audio"));
    if (parser.isSet(QStringLiteral("png")))
        options.pngs.append({options.frames, parser.value(QStringLiteral("png"))});
    for (const QString& request : parser.values(QStringLiteral("png-at"))) {
        const qsizetype colon = request.indexOf(u':');
        const auto frame = frameNumber(request.left(colon));
        if (colon < 0 || !frame || *frame > options.frames || colon + 1 == request.size())
            return fail(QStringLiteral("--png-at wants K:OUT.png with K from 1 to --frames"));
        options.pngs.append({*frame, request.mid(colon + 1)});
    }
    result.options = std::move(options);
    return result;
}

} // namespace reelcase::swfrun
