#include "support/fake_swf_host.h"
#include "swf/format/bit_reader.h"
#include "swf/format/movie.h"
#include "swf/format/tag_table.h"
#include "swf/swf_fixtures.h"

#include <QFile>
#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

// A one-frame movie holding a red square at depth 1, then the given raw tag, then a
// second frame.
QByteArray withTag(int code, const QByteArray& body) {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    write::ShapeBuilder s;
    s.rect({0, 0, 50, 50}, s.addFill(write::solid(Qt::red)));
    w.place({.depth = 1, .character = w.defineShape(s)});
    w.rawTag(code, body);
    w.showFrame(2);
    return w.finish();
}

} // namespace

class TestSwfHostile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bitReaderStopsAtTheEnd() {
        const QByteArray bytes = QByteArray::fromHex("ff01");
        BitReader r(bytes);
        QCOMPARE(r.ub(4), 0xfu);
        QCOMPARE(r.sb(4), -1);
        QCOMPARE(r.u8(), 1);
        QVERIFY(r.ok());
        QCOMPARE(r.u8(), 0);
        QVERIFY(!r.ok());
        QCOMPARE(r.u32(), 0u); // stays failed
        BitReader s(bytes);
        QVERIFY(s.string().isEmpty()); // no terminator
        QVERIFY(!s.ok());
        BitReader t(bytes);
        t.sub(3);
        QVERIFY(!t.ok());
        BitReader u(bytes);
        u.ub(33);
        QVERIFY(!u.ok());
        BitReader v(bytes);
        v.skip(-1);
        QVERIFY(!v.ok());
    }

    // Broken tags are skipped; the rest of the movie still plays and draws.
    void brokenTagsAreSkipped_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("shape with absurd style count") << int(tag::DefineShape3)
                                                       << QByteArray::fromHex("0900"
                                                                              "00"
                                                                              "ffffff");
        QTest::newRow("shape with unknown fill type") << int(tag::DefineShape)
                                                      << QByteArray::fromHex("0900"
                                                                             "00"
                                                                             "01"
                                                                             "77");
        QTest::newRow("morph with offset past the end") << int(tag::DefineMorphShape)
                                                        << QByteArray::fromHex("0900"
                                                                               "00"
                                                                               "00"
                                                                               "ffffff7f");
        QTest::newRow("place with bogus filters") << int(tag::PlaceObject3)
                                                  << QByteArray::fromHex("06"
                                                                         "01"
                                                                         "0500"
                                                                         "0100"
                                                                         "00"
                                                                         "09");
        QTest::newRow("place of unknown character") << int(tag::PlaceObject2)
                                                    << QByteArray::fromHex("02"
                                                                           "0600"
                                                                           "3412");
        QTest::newRow("sprite with a cut tag") << int(tag::DefineSprite)
                                               << QByteArray::fromHex("0900"
                                                                      "0100"
                                                                      "3f01"
                                                                      "ffff");
        QTest::newRow("empty DoAction") << int(tag::DoAction) << QByteArray();
        QTest::newRow("unknown tag") << 1000 << QByteArray(10, 'x');
    }
    void brokenTagsAreSkipped() {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        auto movie = load(withTag(code, body));
        QVERIFY(movie);
        Player player;
        player.setMovie(movie);
        QCOMPARE(player.frameCount(), 2);
        for (int i = 0; i < 3; ++i)
            player.tick();
        const QImage img = renderImage(player, {100, 100});
        QVERIFY(near(img.pixel(25, 25), Qt::red));
    }

    // A tag whose length runs past the end: what came before it still plays.
    void tagLongerThanTheFile() {
        QByteArray file = withTag(tag::DoAction, QByteArray(100, '\0'));
        file.chop(80);
        file[4] = static_cast<char>(file.size()); // keep the declared length honest
        file[5] = 0;
        auto movie = load(file);
        QVERIFY(movie);
        QVERIFY(movie->truncated);
        Player player;
        player.setMovie(movie);
        QCOMPARE(player.frameCount(), 1);
        QVERIFY(near(renderImage(player, {100, 100}).pixel(25, 25), Qt::red));
    }

    // A player told to allow fewer script steps stops an endless loop that soon, for every
    // movie it plays afterwards; the next frame's script runs as usual.
    void stepBudgetEndsEndlessLoops() {
        enum { Trace = 0x26, Add2 = 0x47, GetVariable = 0x1C, SetVariable = 0x1D };
        write::SwfWriter w({100, 100}, 12, 7);
        write::Actions loop;
        loop.push("i").push(0.0).raw(SetVariable).mark("again");
        loop.push("i").push("i").raw(GetVariable).push(1.0).raw(Add2).raw(SetVariable);
        loop.jump("again");
        w.actions(loop);
        w.showFrame();
        w.actions(write::Actions().push("i").raw(GetVariable).raw(Trace));
        w.showFrame();
        const auto movie = load(w.finish());
        FakeSwfHost host;
        Player player;
        player.setHost(&host);
        player.setScriptStepsPerFrame(7000); // seven actions a turn: about a thousand turns
        for (int run = 0; run < 2; ++run) {
            host.traces.clear();
            player.setMovie(movie);
            player.play();
            player.tick();
            player.tick();
            QCOMPARE(host.traces.size(), 1);
            const int turns = host.traces.front().toInt();
            QVERIFY2(turns > 900 && turns <= 1000, qPrintable(host.traces.front()));
        }
    }

    // Inputs that once crashed or hung the engine under the fuzzer.
    void fuzzFindings_data() {
        QTest::addColumn<QString>("name");
        // Edit text drawn without a GUI application: fonts need one (the fuzz harness now
        // creates it; the engine is only ever used inside one).
        QTest::newRow("edit text") << "fuzz-edit-text-without-gui-app.swf";
    }
    void fuzzFindings() {
        QFETCH(QString, name);
        QFile f(QStringLiteral(SWF_FIXTURES "/") + name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        auto movie = parseMovie(f.readAll());
        Player player;
        player.setMovie(movie);
        player.play();
        for (int i = 0; i < 4; ++i)
            player.tick();
        player.stepBack();
        player.gotoFrame(player.frameCount() / 2);
        renderImage(player, {48, 36});
    }
};

QTEST_MAIN(TestSwfHostile)
#include "test_hostile.moc"
