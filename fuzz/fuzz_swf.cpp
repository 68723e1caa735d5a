// libFuzzer entry: any bytes through the whole engine path a cached file takes.
#include "swf/player/player.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

// Fontconfig keeps its caches until the process ends; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

// Text drawing needs the GUI application (fonts); the offscreen platform needs no display.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto movie = reelcase::swf::parseMovie(bytes);
    if (!movie)
        return 0;
    reelcase::swf::Player player;
    // A script looping for the whole default budget costs seconds under the sanitizers; a
    // smaller budget reaches the same code in the fuzzer's time limit.
    player.setScriptStepsPerFrame(200'000);
    player.setMovie(movie);
    player.play();
    QImage image(48, 36, QImage::Format_ARGB32_Premultiplied);
    player.renderAudio(4); // ticks, and mixes the sound of each frame
    player.stepBack();
    player.gotoFrame(player.frameCount() / 2);
    QPainter painter(&image);
    player.render(painter, QRectF(0, 0, 48, 36));
    return 0;
}
