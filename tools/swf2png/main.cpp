// swf2png: runs a movie for a number of frames and writes the stage as a PNG.
//   swf2png [--frames N] [--scale S] [--quality low|medium|high] INPUT.swf OUTPUT.png
// Exit status 0 on success; otherwise 1 (unreadable or invalid input, unwritable output)
// or 2 (bad arguments), with one line on stderr saying why.
#include "swf/player/player.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

constexpr qint64 maxInputBytes = 512ll * 1024 * 1024;
constexpr double maxSide = 16384;

int fail(int code, const QString& message) {
    std::fprintf(stderr, "swf2png: %s\n", qPrintable(message));
    return code;
}

// Qt's own chatter (platform plugin notes) would break the one-line error contract.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "swf2png: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("SWF2PNG_VERBOSE"))
        qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
    const QString qualityName = parser.value(QStringLiteral("quality")).toLower();
    reelcase::swf::RenderOptions options;
    if (qualityName == QLatin1String("low"))
        options.quality = reelcase::swf::Quality::Low;
    else if (qualityName == QLatin1String("medium"))
        options.quality = reelcase::swf::Quality::Medium;
    else if (qualityName == QLatin1String("high"))
        options.quality = reelcase::swf::Quality::High;
    else
        return fail(2, QStringLiteral("--quality wants low, medium or high"));

    QFile in(args[0]);
    if (!in.open(QIODevice::ReadOnly))
        return fail(1, QStringLiteral("cannot read %1: %2").arg(args[0], in.errorString()));
    if (in.size() > maxInputBytes)
        return fail(1, QStringLiteral("%1 is too large").arg(args[0]));
    const QByteArray bytes = in.readAll();
    reelcase::swf::LoadError error;
    auto movie = reelcase::swf::parseMovie(bytes, &error);
    if (!movie)
        return fail(
            1, QStringLiteral("%1: %2 (at byte %3)").arg(args[0], error.reason).arg(error.offset));

    reelcase::swf::Player player;
    player.setMovie(movie);
    player.play();
    for (int i = 1; i < frames; ++i)
        player.tick();

    const QRectF stage = player.stageRect();
    const double w = std::ceil(stage.width() * scale - 1e-6);
    const double h = std::ceil(stage.height() * scale - 1e-6);
    if (w < 1 || h < 1 || w > maxSide || h > maxSide)
        return fail(1, QStringLiteral("output of %1 x %2 pixels is out of range").arg(w).arg(h));
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(1, QStringLiteral("not enough memory for the image"));
    QPainter painter(&image);
    player.render(painter, QRectF(0, 0, w, h), options);
    painter.end();
    if (!image.convertToFormat(QImage::Format_RGB32).save(args[1], "PNG"))
        return fail(1, QStringLiteral("cannot write %1").arg(args[1]));
    return 0;
}
