// swfrun: plays a movie for a number of frames without a window, as fast as it can, and
// prints every trace() line to stdout. See run_options.cpp for the arguments.
#include "audio_track.h"
#include "run_options.h"
#include "watchdog.h"

#include "swfhost/frame_loop.h"
#include "swfhost/headless.h"
#include "swfhost/local_movie_host.h"
#include "swfhost/movie_file.h"
#include "swfhost/recorded_input.h"
#include "swfhost/regular_file.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

using namespace reelcase;

namespace {

constexpr qint64 kMaxInputBytes = qint64(64) << 20;

int fail(int code, const QString& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "swfrun: %s\n", qPrintable(message));
    return code;
}

std::optional<swfhost::RecordedInput> readInput(const QString& path, QString* error) {
    const swfhost::FileRead read = swfhost::readRegularFile(path, kMaxInputBytes);
    if (!read.bytes) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, read.error);
        return std::nullopt;
    }
    QString why;
    auto input = swfhost::parseRecordedInput(*read.bytes, &why);
    if (!input)
        *error = path + u": " + why;
    return input;
}

// Hands one frame's recorded events to the movie. Recorded positions are pixels of the
// picture (the viewport when one is given), whose top left is the stage's.
void deliver(swf::Player& player, swf::ScriptHost& host,
             const std::vector<swfhost::InputEvent>& events, QSize viewport) {
    const QRectF picture = viewport.isValid() ? QRectF(QPointF(), QSizeF(viewport))
                                              : QRectF(QPointF(), player.stageRect().size());
    for (const swfhost::InputEvent& recorded : events) {
        if (recorded.type == swfhost::InputEvent::Type::SetClipboardText)
            host.setClipboardText(recorded.text);
        auto event = swfhost::playerEvent(recorded);
        if (!event)
            continue;
        if (const auto point = player.stagePoint(event->position, picture))
            event->position = *point;
        player.handleInput(*event);
    }
}

void writeTrace(const QString& line) {
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int main(int argc, char** argv) {
    swfhost::prepareHeadlessTool("swfrun");
    QGuiApplication app(argc, argv);
    const swfrun::ParsedArguments parsed = swfrun::parseArguments(app.arguments());
    if (!parsed.error.isEmpty())
        return fail(2, parsed.error);
    if (!parsed.options)
        return 0; // help
    const swfrun::RunOptions& options = *parsed.options;

    QString error;
    const auto movie = swfhost::loadMovieFile(options.moviePath, &error);
    if (!movie)
        return fail(1, error);
    swfhost::RecordedInput input;
    if (!options.inputPath.isEmpty()) {
        auto recorded = readInput(options.inputPath, &error);
        if (!recorded)
            return fail(1, error);
        input = std::move(*recorded);
    }

    const swfrun::Watchdog watchdog(options.timeoutSeconds);
    swfhost::LocalMovieHost host(options.moviePath);
    host.setTraceHandler(writeTrace);
    swf::Player player;
    player.setHost(&host);
    player.setMovie(movie);
    player.play();
    // The run stands for a player window that has the keyboard focus.
    swf::InputEvent focus;
    focus.kind = swf::InputEvent::Kind::FocusGained;
    player.handleInput(focus);
    swfrun::AudioTrack audio;
    std::vector<std::int16_t> frameSound;
    if (!options.audioPath.isEmpty() && !audio.open(options.audioPath, &error))
        return fail(1, error);
    swfhost::FrameLoop loop(player);
    for (int frame = 1; frame <= options.frames; ++frame) {
        loop.runFrame();
        // Sounds play on whether kept or not: scripts hear when they end.
        frameSound.clear();
        player.mixFrameAudio(frameSound);
        if (!options.audioPath.isEmpty()) {
            if (!audio.append(frameSound))
                return fail(1, QStringLiteral("cannot write %1").arg(options.audioPath));
        }
        if (static_cast<size_t>(frame - 1) < input.batches.size())
            deliver(player, host, input.batches[static_cast<size_t>(frame - 1)],
                    options.image.viewport);
        // A run cut short by the watchdog keeps the lines of every finished frame.
        std::fflush(stdout);
        for (const swfrun::PngRequest& png : options.pngs) {
            if (png.frame != frame)
                continue;
            const QImage image = swfhost::renderStage(player, options.image, &error);
            if (image.isNull())
                return fail(1, error);
            if (!image.save(png.path, "PNG"))
                return fail(1, QStringLiteral("cannot write %1").arg(png.path));
        }
        // A movie that asks to quit ends the run, as it would close a standalone player.
        const auto& commands = host.fsCommands();
        if (std::any_of(commands.begin(), commands.end(), [](const auto& c) {
                return c.command.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0;
            }))
            break;
    }
    std::fflush(stdout);
    if (!options.audioPath.isEmpty() && !audio.finish(&error))
        return fail(1, error);
    return 0;
}
