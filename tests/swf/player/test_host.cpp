#include "support/fake_swf_host.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::Actions;
using write::SwfWriter;

// What a playing movie asks of its host reaches the host set on the player.
class HostTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void traceLinesReachTheHost() {
        SwfWriter w({100, 100}, 12, 8);
        Actions a;
        a.push("hello").raw(0x26); // Trace
        a.push(1.5).raw(0x26);
        w.actions(a).showFrame();
        Player player;
        FakeSwfHost host;
        player.setHost(&host);
        player.setMovie(load(w.finish()));
        player.tick();
        QCOMPARE(host.traces, QStringList({"hello", "1.5"}));
    }

    void traceWithoutHostIsHarmless() {
        SwfWriter w({100, 100}, 12, 8);
        Actions a;
        a.push("nobody listens").raw(0x26);
        w.actions(a).showFrame();
        Player player;
        player.setMovie(load(w.finish()));
        player.tick();
        QCOMPARE(player.currentFrame(), 0);
    }

    void deviceTextAsksTheHostForFonts() {
        SwfWriter w({120, 40}, 12, 8);
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 120, 40);
        field.text = QStringLiteral("text");
        w.place({.depth = 1, .character = write::defineEditText(w, field)}).showFrame();
        Player player;
        FakeSwfHost host;
        player.setHost(&host);
        player.setMovie(load(w.finish()));
        renderImage(player, {120, 40});
        QVERIFY(!host.fontRequests.isEmpty());
    }
};

QTEST_MAIN(HostTest)
#include "test_host.moc"
