#include "tools/tool_fixtures.h"

#include "script_probe.h"
#include "swf/script/action_codes.h"
#include "swfwriter/writer.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

QByteArray countingMovie() {
    write::SwfWriter w({40, 30}, 12, 8);
    for (int frame = 1; frame <= 3; ++frame) {
        write::Actions a;
        a.push(QStringLiteral("frame %1").arg(frame)).raw(avm1::Trace);
        w.actions(a).showFrame();
    }
    return w.finish();
}

QByteArray blueStage() {
    write::SwfWriter w({40, 30});
    w.background(QColor(0, 0, 255));
    w.showFrame();
    return w.finish();
}

} // namespace

// The comparison tool run as a developer runs it, on a small corpus made here.
class TestConformance : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_corpus;

    void addCase(const QString& name, const QByteArray& movie, const QByteArray& caseJson,
                 const QMap<QString, QByteArray>& files = {}) {
        const QString folder = m_corpus + u'/' + name;
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/test.swf", movie);
        writeFile(folder + "/case.json", caseJson);
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(folder + u'/' + it.key(), it.value());
    }

    ToolRun conformance(QStringList args) {
        args << QStringLiteral("--swfrun") << QStringLiteral(SWFRUN_PATH);
        return runTool(QStringLiteral(CONFORMANCE_PATH), args, m_dir.path());
    }

private Q_SLOTS:
    void initTestCase() {
        m_corpus = m_dir.filePath("corpus");
        const QByteArray traceOnly = R"({"frames": 2, "quality": "high", "trace": "output.txt",
                                         "images": [], "input": null})";
        addCase("group/tracing", countingMovie(), traceOnly,
                {{"output.txt", "frame 1\r\nframe 2  \n\n"}});
        addCase("group/wrong", countingMovie(), traceOnly, {{"output.txt", "frame 1\nframe 3\n"}});
        QImage blue(40, 30, QImage::Format_RGB32);
        blue.fill(qRgb(0, 0, 255));
        QVERIFY(blue.save(m_corpus + "/blue.png"));
        QFile png(m_corpus + "/blue.png");
        QVERIFY(png.open(QIODevice::ReadOnly));
        addCase("group/picture", blueStage(), R"({"frames": 1, "quality": "low", "trace": null,
                    "images": [{"file": "out.expected.png", "frame": 1, "tolerance": 0,
                                "max_outliers": 0}], "input": null})",
                {{"out.expected.png", png.readAll()}});
        addCase("other/deep/broken", "not a movie", traceOnly, {{"output.txt", ""}});
        writeFile(m_corpus + "/cases.txt",
                  "group/tracing\ngroup/wrong\ngroup/picture\nother/deep/broken\n");
    }

    void comparesEveryCase() {
        const QString json = m_dir.filePath("results.json");
        const ToolRun run = conformance({m_corpus, "-j", "2", "--json", json});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = QString::fromUtf8(run.out).trimmed().split(u'\n');
        QCOMPARE(lines.back(), QStringLiteral("conformance: trace 1/3 (33.3%), frames strict 1/1 "
                                              "(100.0%), content 100.0%"));
        QVERIFY(lines.filter(QRegularExpression("^group +3 ")).size() == 1);
        QVERIFY(lines.filter(QRegularExpression("^other +1 ")).size() == 1);
        // Only the blue stage is free of scripts (an unreadable movie never counts as free).
        QVERIFY(lines.filter(QRegularExpression("^without scripts +1 +0/0 +- +1/1 ")).size() == 1);

        QFile file(json);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QHash<QString, QJsonObject> cases;
        for (const QJsonValue& v : QJsonDocument::fromJson(file.readAll())["cases"].toArray())
            cases.insert(v["case"].toString(), v.toObject());
        QCOMPARE(cases.size(), 4);
        const auto result = [&](const char* name) -> const QJsonObject {
            return cases.value(name);
        };
        QVERIFY(result("group/tracing")["trace"]["pass"].toBool());
        const QJsonObject difference =
            result("group/wrong")["trace"]["first_difference"].toObject();
        QCOMPARE(difference["line"].toInt(), 2);
        QCOMPARE(difference["expected"].toString(), QStringLiteral("frame 3"));
        QCOMPARE(difference["actual"].toString(), QStringLiteral("frame 2"));
        QCOMPARE(result("group/picture")["images"][0]["outliers"].toInt(), 0);
        QVERIFY(result("group/picture")["frames_pass"].toBool());
        QCOMPARE(result("other/deep/broken")["exit_code"].toInt(), 1);
        QVERIFY(!result("other/deep/broken")["trace"]["pass"].toBool());
    }

    // Scripts hide in frames, sprites and placements; a movie that cannot be read is scripted.
    void findsScriptsWhereverTheyAre() {
        QVERIFY(!reelcase::conformance::movieHasScripts(blueStage()));
        QVERIFY(reelcase::conformance::movieHasScripts(countingMovie()));
        QVERIFY(reelcase::conformance::movieHasScripts("FWS"));
        QVERIFY(reelcase::conformance::movieHasScripts(QByteArray()));

        write::SwfWriter nested({40, 30});
        write::Timeline inner;
        write::Actions stop;
        stop.stop();
        inner.actions(stop).showFrame();
        const auto sprite = nested.defineSprite(inner);
        nested.place({.depth = 1, .character = sprite}).showFrame();
        QVERIFY(reelcase::conformance::movieHasScripts(nested.finish(Compression::Zlib)));

        write::SwfWriter quiet({40, 30});
        const auto still = quiet.defineSprite(write::Timeline().showFrame());
        quiet.place({.depth = 1, .character = still}).showFrame();
        QVERIFY(!reelcase::conformance::movieHasScripts(quiet.finish()));
    }

    // What passes is recorded; a recorded part that stops passing is named.
    void ratchet() {
        const QString list = m_dir.filePath("passing.txt");
        ToolRun run = conformance({m_corpus, "--update", list});
        QCOMPARE(run.exitCode, 0);
        QFile file(list);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(text.endsWith("group/picture frames\ngroup/tracing trace\n"));
        QCOMPARE(text.split(u'\n', Qt::SkipEmptyParts).filter(QRegularExpression("^[^#]")).size(),
                 2);

        QCOMPARE(conformance({m_corpus, "--check", list}).exitCode, 0);

        const QString expected = m_corpus + "/group/tracing/output.txt";
        writeFile(expected, "frame 1\nframe two\n");
        run = conformance({m_corpus, "--check", list});
        writeFile(expected, "frame 1\nframe 2\n");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("group/tracing trace"), qPrintable(run.err));
        QCOMPARE(run.err.trimmed().count(u'\n'), 0);

        // Updating never drops a listed part, even one that fails.
        writeFile(list, "group/wrong trace\n");
        run = conformance({m_corpus, "--only", "group/", "--update", list});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString updated = QString::fromUtf8(file.readAll());
        QVERIFY(updated.contains("group/wrong trace\n"));
        QVERIFY(updated.contains("group/tracing trace\n"));
    }

    void selectsCasesByPrefix() {
        const ToolRun run = conformance({m_corpus, "--only", "group/pic"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("trace 0/0 (0.0%), frames strict 1/1"), run.out.constData());
    }

    void withoutCorpusSaysSo() {
        const ToolRun run = conformance({m_dir.filePath("nowhere")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("no corpus"));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("jobs") << QStringList{"-j", "0"};
        QTest::newRow("two corpora") << QStringList{"a", "b"};
        QTest::newRow("check and update") << QStringList{"--check", "x", "--update", "y"};
        QTest::newRow("unknown option") << QStringList{"--everything"};
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QCOMPARE(conformance(args << m_corpus).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestConformance)
#include "test_conformance.moc"
