// swf2png: runs a movie for a number of frames and writes the stage as a PNG.
//   swf2png [--frames N] [--scale S] [--quality low|medium|high] INPUT.swf OUTPUT.png
// Exit status 0 on success; otherwise 1 (unreadable or invalid input, unwritable output)
// or 2 (bad arguments), with one line on stderr saying why.
#include "swfhost/frame_loop.h"
#include "swfhost/headless.h"
#include "swfhost/movie_file.h"
#include "swfhost/stage_image.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

using namespace reelcase;

namespace {

int fail(int code, const QString& message) {
    std::fprintf(stderr, "swf2png: %s\n", qPrintable(message));
    return code;
}

} // namespace

int main(int argc, char** argv) {
    swfhost::prepareHeadlessTool("swf2png");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders a frame of a SWF movie to PNG."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames to run (default 1)."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("scale"),
                      QStringLiteral("Output pixels per stage pixel (default 1)."),
                      QStringLiteral("S"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("quality"), QStringLiteral("low, medium or high."),
                      QStringLiteral("Q"), QStringLiteral("high")});
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("The .swf file."));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The .png to write."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return fail(2, QStringLiteral("expected INPUT.swf OUTPUT.png"));
    bool ok = false;
    const int frames = parser.value(QStringLiteral("frames")).toInt(&ok);
    if (!ok || frames < 1 || frames > 1'000'000)
        return fail(2, QStringLiteral("--frames wants a whole number from 1"));
    const double scale = parser.value(QStringLiteral("scale")).toDouble(&ok);
    if (!ok || !(scale > 0) || scale > 100)
        return fail(2, QStringLiteral("--scale wants a number above 0 (at most 100)"));
    const auto quality = swfhost::qualityFromName(parser.value(QStringLiteral("quality")));
    if (!quality)
        return fail(2, QStringLiteral("--quality wants low, medium or high"));

    QString error;
    const auto movie = swfhost::loadMovieFile(args[0], &error);
    if (!movie)
        return fail(1, error);
    swf::Player player;
    player.setMovie(movie);
    player.play();
    swfhost::FrameLoop loop(player);
    while (loop.framesRun() < frames)
        loop.runFrame();

    const QImage image =
        swfhost::renderStage(player, {.quality = *quality, .scale = scale, .viewport = {}}, &error);
    if (image.isNull())
        return fail(1, error);
    if (!image.save(args[1], "PNG"))
        return fail(1, QStringLiteral("cannot write %1").arg(args[1]));
    return 0;
}
