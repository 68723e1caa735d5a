#include "favorites/add_favorite_dialog.h"
#include "platform/shared_values.h"
#include "support/fake_desktop.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

using namespace reelcase;

class PicturesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizes_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        for (int i = 1; i <= 11; ++i)
            QTest::addRow("toolbar %d", i)
                << QStringLiteral(":/icons/toolbar/%1.png").arg(i, 2, 10, QLatin1Char('0'))
                << QSize(25, 25);
        QTest::newRow("tree") << ":/icons/tree.png" << QSize(16, 16);
        QTest::newRow("folder") << ":/icons/folder.png" << QSize(15, 15);
        QTest::newRow("window") << ":/icons/window.png" << QSize(32, 32);
        QTest::newRow("desktop entry") << ":/icons/reelcase.png" << QSize(64, 64);
        QTest::newRow("dialog") << ":/icons/form2.png" << QSize(32, 32);
        QTest::newRow("hand") << ":/cursors/hand.png" << QSize(32, 32);
    }
    void sizes() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QVERIFY(image.hasAlphaChannel());
        // Nothing is blank: some pixels are drawn and the corners stay clear.
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(drawn > image.width() * image.height() / 8);
    }

    // The hot spot (12, 1) is the fingertip: the topmost drawn pixel of the finger.
    void handPointsWithItsFingertip() {
        const QImage hand(QStringLiteral(":/cursors/hand.png"));
        QCOMPARE(qAlpha(hand.pixel(12, 1)), 255);
        for (int x = 0; x < hand.width(); ++x)
            QCOMPARE(qAlpha(hand.pixel(x, 0)), 0);
        for (int x : {9, 15})
            QCOMPARE(qAlpha(hand.pixel(x, 1)), 0);
    }

    // The desktop offers the program for Flash movies and hands it the file; the theme
    // finds its icon at every usual size.
    void desktopEntryOpensMoviesWithItsIcons() {
        QFile entry(QStringLiteral(REELCASE_RESOURCES "/reelcase.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("Exec=reelcase %f")));
        const QString mime =
            lines.filter(QRegularExpression(QStringLiteral("^MimeType="))).value(0);
        QVERIFY(mime.contains(QStringLiteral("application/x-shockwave-flash;")));
        QVERIFY(mime.contains(QStringLiteral("application/vnd.adobe.flash.movie;")));
        QVERIFY(lines.contains(QStringLiteral("Icon=reelcase")));
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(
                QStringLiteral(REELCASE_RESOURCES "/icons/hicolor/%1x%1/apps/reelcase.png")
                    .arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
        }
        QVERIFY(QFile::exists(
            QStringLiteral(REELCASE_RESOURCES "/icons/hicolor/scalable/apps/reelcase.svg")));
    }

    void dialogShowsItsIcon() {
        test::FakeDesktop desktop;
        const SharedValues values;
        AddFavoriteDialog dialog(desktop, values);
        QVERIFY(!dialog.windowIcon().isNull());
        QVERIFY(dialog.windowIcon().availableSizes().contains(QSize(32, 32)));
    }
};

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
