#include "capture/player_host.h"

#include <QTest>

using namespace reelcase;

// What a movie may make the program do: open web and mail links the user asked for, and
// stop itself; nothing else.
class PlayerHostTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linksOpenOnlyWhenSafeAndAsked_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("userInitiated");
        QTest::addColumn<bool>("opens");
        QTest::newRow("web page on a click") << "http://example.org/a.html" << true << true;
        QTest::newRow("https, upper-case scheme") << "HTTPS://example.org/" << true << true;
        QTest::newRow("mail") << "mailto:someone@example.org" << true << true;
        QTest::newRow("pop-up without a click") << "http://example.org/" << false << false;
        QTest::newRow("script") << "javascript:alert(1)" << true << false;
        QTest::newRow("local file") << "file:///etc/passwd" << true << false;
        QTest::newRow("relative page") << "next.html" << true << false;
        QTest::newRow("other scheme") << "ftp://example.org/x" << true << false;
        QTest::newRow("web without a host") << "http:///x" << true << false;
        QTest::newRow("empty mail") << "mailto:" << true << false;
        QTest::newRow("empty") << "" << true << false;
    }
    void linksOpenOnlyWhenSafeAndAsked() {
        QFETCH(QString, url);
        QFETCH(bool, userInitiated);
        QFETCH(bool, opens);
        PlayerHost host;
        QList<QUrl> opened;
        host.openLink = [&](const QUrl& link) { opened << link; };
        host.openUrl(url, QStringLiteral("_blank"), userInitiated);
        QCOMPARE(opened.size(), opens ? 1 : 0);
    }

    void onlyQuitIsHeardAndItStopsTheMovie() {
        PlayerHost host;
        int quits = 0;
        host.quit = [&] { ++quits; };
        host.fsCommand(QStringLiteral("fullscreen"), QStringLiteral("true"));
        host.fsCommand(QStringLiteral("exec"), QStringLiteral("/bin/sh"));
        QCOMPARE(quits, 0);
        host.fsCommand(QStringLiteral("QUIT"), {});
        QCOMPARE(quits, 1);
        PlayerHost unwired; // nothing set: requests go nowhere
        unwired.fsCommand(QStringLiteral("quit"), {});
        unwired.openUrl(QStringLiteral("http://example.org/"), {}, true);
        QVERIFY(!unwired.loadFile(QStringLiteral("a.txt")));
    }
};

QTEST_MAIN(PlayerHostTest)
#include "test_player_host.moc"
