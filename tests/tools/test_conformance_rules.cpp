#include "image_compare.h"
#include "ratchet.h"
#include "report.h"
#include "trace_compare.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase::conformance;

namespace {

QImage filled(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

CaseResult result(const QString& name, bool tracePass, QList<bool> pictures) {
    CaseResult r;
    r.name = name;
    r.run.exitCode = 0;
    r.trace.expected = true;
    r.trace.pass = tracePass;
    if (!tracePass)
        r.trace.difference = TraceDifference{2, QStringLiteral("b"), QStringLiteral("c")};
    for (bool pass : pictures) {
        ImageOutcome image;
        image.reference.frame = 1;
        image.pass = pass;
        image.outliers = pass ? 0 : 7;
        image.contentShare = pass ? 1.0 : 0.5;
        r.images.append(image);
    }
    return r;
}

} // namespace

class TestConformanceRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tracesCompareAfterNormalising_data() {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("actual");
        QTest::addColumn<int>("line"); // 0: the same
        QTest::newRow("same") << "a\nb\n"
                              << "a\nb\n"
                              << 0;
        QTest::newRow("line ends") << "a\r\nb\rc"
                                   << "a\nb\nc\n"
                                   << 0;
        QTest::newRow("trailing blanks") << "a  \nb\t\n"
                                         << "a\nb" << 0;
        QTest::newRow("trailing empty lines") << "a\n\n\n"
                                              << "a" << 0;
        QTest::newRow("both empty") << ""
                                    << "\n\n"
                                    << 0;
        QTest::newRow("leading blanks count") << " a"
                                              << "a" << 1;
        QTest::newRow("inner empty line counts") << "a\n\nb"
                                                 << "a\nb" << 2;
        QTest::newRow("actual shorter") << "a\nb"
                                        << "a" << 2;
        QTest::newRow("actual longer") << "a"
                                       << "a\nb" << 2;
        QTest::newRow("case counts") << "Undefined"
                                     << "undefined" << 1;
    }
    void tracesCompareAfterNormalising() {
        QFETCH(QString, expected);
        QFETCH(QString, actual);
        QFETCH(int, line);
        const auto difference = firstTraceDifference(expected, actual);
        QCOMPARE(difference ? difference->line : 0, line);
    }

    void differenceShowsBothSides() {
        auto d = firstTraceDifference("a\nb  \nc", "a\nx");
        QVERIFY(d);
        QCOMPARE(d->expected, std::optional<QString>("b"));
        QCOMPARE(d->actual, std::optional<QString>("x"));
        d = firstTraceDifference("a", "a\nextra");
        QVERIFY(d && !d->expected && d->actual == "extra");
    }

    void outliersCountChannelsBeyondTheTolerance_data() {
        QTest::addColumn<QRgb>("actual");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<qint64>("outliers");
        const QRgb grey = qRgba(100, 100, 100, 255);
        QTest::newRow("same") << grey << 0 << qint64(0);
        QTest::newRow("one channel, over") << qRgba(101, 100, 100, 255) << 0 << qint64(4);
        QTest::newRow("at the tolerance") << qRgba(102, 98, 100, 255) << 2 << qint64(0);
        QTest::newRow("just past it") << qRgba(103, 98, 100, 255) << 2 << qint64(4);
        QTest::newRow("every channel") << qRgba(0, 0, 0, 0) << 99 << qint64(16);
    }
    void outliersCountChannelsBeyondTheTolerance() {
        QFETCH(QRgb, actual);
        QFETCH(int, tolerance);
        QFETCH(qint64, outliers);
        // 2 x 2 pictures: four pixels, each differing the same way.
        const QImage expected = filled({2, 2}, qRgba(100, 100, 100, 255));
        QCOMPARE(compareImages(expected, filled({2, 2}, actual), tolerance).outliers, outliers);
    }

    // A pixel only one picture has counts as transparent black in the other.
    void sizesThatDifferCountAsMissingPixels() {
        const QImage white = filled({2, 2}, qRgba(255, 255, 255, 255));
        QCOMPARE(compareImages(white, filled({2, 1}, qRgba(255, 255, 255, 255)), 0).outliers, 8);
        QCOMPARE(compareImages(filled({1, 1}, qRgba(255, 255, 255, 255)), white, 0).outliers, 12);
        QCOMPARE(compareImages(white, QImage(), 0).outliers, 16);
    }

    void contentShareIgnoresTheBackground() {
        // 10 x 10 white with a 2 x 2 black square: four content pixels.
        QImage expected = filled({10, 10}, qRgb(255, 255, 255));
        for (const QPoint p : {QPoint(1, 1), QPoint(2, 1), QPoint(1, 2), QPoint(2, 2)})
            expected.setPixel(p, qRgb(0, 0, 0));
        QImage actual = expected;
        actual.setPixel(1, 1, qRgb(32, 32, 32)); // within 32: still matched
        actual.setPixel(2, 1, qRgb(33, 0, 0));   // past it
        actual.setPixel(9, 9, qRgb(0, 0, 0));    // extra content does not count here
        QCOMPARE(compareImages(expected, actual, 0).contentShare, 0.75);
        // Nothing drawn at all: none of the content is there.
        QCOMPARE(compareImages(expected, filled({10, 10}, qRgb(255, 255, 255)), 0).contentShare,
                 0.0);
        // A cropped picture lacks the content it does not cover.
        QCOMPARE(compareImages(expected, expected.copy(0, 0, 2, 10), 0).contentShare, 0.5);
    }

    void blankPictureIsJudgedOnAllPixels() {
        const QImage blank = filled({4, 4}, qRgb(10, 20, 30));
        QCOMPARE(compareImages(blank, blank, 0).contentShare, 1.0);
        QImage half = blank;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                half.setPixel(x, y, qRgb(200, 20, 30));
        QCOMPARE(compareImages(blank, half, 0).contentShare, 0.5);
    }

    void summaryLine() {
        Tally tally;
        tally.add(result("a/one", true, {true, false}));
        tally.add(result("a/two", false, {}));
        tally.add(result("b/three", true, {true}));
        QCOMPARE(reelcase::conformance::summaryLine(tally),
                 QStringLiteral("conformance: trace 2/3 (66.7%), frames strict 2/3 (66.7%), "
                                "content 83.3%"));
        QCOMPARE(reelcase::conformance::summaryLine(Tally{}),
                 QStringLiteral("conformance: trace 0/0 (0.0%), frames strict 0/0 (0.0%), "
                                "content 0.0%"));
    }

    void passListReadsAndWrites() {
        QString error;
        const auto entries = parsePassList("# header\n\nb/two frames\na/one trace\n a/one frames \n"
                                           "b/two frames\n",
                                           &error);
        QVERIFY2(entries, qPrintable(error));
        QCOMPARE(entries->size(), 4);
        const QString text = formatPassList(*entries);
        QVERIFY(text.startsWith(u'#'));
        QVERIFY(text.endsWith("a/one trace\na/one frames\nb/two frames\n"));
        const auto again = parsePassList(text, &error);
        QVERIFY(again);
        QCOMPARE(formatPassList(*again), text);

        QVERIFY(!parsePassList("a/one trace\na/two pictures\n", &error));
        QVERIFY2(error.contains("line 2"), qPrintable(error));
        QVERIFY(!parsePassList("a/one\n", &error));
    }

    void passesAreCountedPerPart() {
        const QList<CaseResult> results{result("a/one", true, {true, true}),
                                        result("a/two", false, {true, false}),
                                        result("a/three", true, {})};
        const QList<PassEntry> passes = passingEntries(results);
        QCOMPARE(passes.size(), 3);
        QCOMPARE(passes[0].text(), QStringLiteral("a/one trace"));
        QCOMPARE(passes[1].text(), QStringLiteral("a/one frames"));
        QCOMPARE(passes[2].text(), QStringLiteral("a/three trace"));
    }

    void regressionsNameTheCaseAndWhy() {
        const QList<CaseResult> results{result("a/one", false, {true, false}),
                                        result("a/two", true, {true})};
        const QStringList corpus{"a/one", "a/two", "a/skipped"};
        const QList<PassEntry> listed{{"a/one", PassEntry::Part::Trace},
                                      {"a/one", PassEntry::Part::Frames},
                                      {"a/two", PassEntry::Part::Trace},
                                      {"a/skipped", PassEntry::Part::Trace},
                                      {"a/gone", PassEntry::Part::Frames}};
        const QList<Regression> regressions =
            findRegressions(listed, results, {"a/one", "a/two"}, corpus);
        QCOMPARE(regressions.size(), 3);
        QCOMPARE(regressions[0].entry.text(), QStringLiteral("a/one trace"));
        QCOMPARE(regressions[0].why, QStringLiteral("line 2: expected \"b\", got \"c\""));
        QCOMPARE(regressions[1].entry.text(), QStringLiteral("a/one frames"));
        QVERIFY2(regressions[1].why.contains("7 values"), qPrintable(regressions[1].why));
        QCOMPARE(regressions[2].entry.text(), QStringLiteral("a/gone frames"));
        QCOMPARE(regressions[2].why, QStringLiteral("not in the corpus"));
    }

    // A run that did not end normally never passes, whatever it printed.
    void unfinishedRunsNeverPass_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<bool>("pass");
        QTest::newRow("finished") << 0 << false << false << true;
        QTest::newRow("invalid movie") << 1 << false << false << false;
        QTest::newRow("timed out") << 0 << true << false << false;
        QTest::newRow("crashed") << 0 << false << true << false;
    }
    void unfinishedRunsNeverPass() {
        QFETCH(int, exitCode);
        QFETCH(bool, timedOut);
        QFETCH(bool, crashed);
        QFETCH(bool, pass);
        QTemporaryDir dir;
        QFile trace(dir.filePath("output.txt"));
        QVERIFY(trace.open(QIODevice::WriteOnly));
        trace.write("hello\r\n");
        trace.close();
        CorpusCase c;
        c.name = QStringLiteral("x/hello");
        c.folder = dir.path();
        c.traceFile = QStringLiteral("output.txt");
        RunOutcome run;
        run.exitCode = exitCode;
        run.timedOut = timedOut;
        run.crashed = crashed;
        run.standardOutput = "hello\n";
        const CaseResult r = evaluateCase(c, run, {});
        QCOMPARE(r.trace.pass, pass);
        QCOMPARE(r.traceFailure().isEmpty(), pass);
    }
};

QTEST_GUILESS_MAIN(TestConformanceRules)
#include "test_conformance_rules.moc"
