#include "capture/save_as.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

using namespace reelcase;

class SaveAsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void destination_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare name") << "/keep/clip"
                                   << "/keep/clip.swf";
        QTest::newRow("already .swf") << "/keep/clip.swf"
                                      << "/keep/clip.swf.swf";
        QTest::newRow("upper case") << "/keep/Clip.SWF"
                                    << "/keep/Clip.SWF.swf";
        QTest::newRow("blanks trimmed") << "  /keep/my clip \t"
                                        << "/keep/my clip.swf";
    }
    void destination() {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QCOMPARE(saveAsDestination(chosen), expected);
    }

    void dialogRequests() {
        const FileDialogRequest save = saveAsDialogRequest();
        QCOMPARE(save.title, QStringLiteral("另存为"));
        QCOMPARE(save.filters, QStringList{QStringLiteral("swf(*.swf)")});
        QCOMPARE(save.startFolder, QDir::homePath());

        const FileDialogRequest open = openDialogRequest();
        QCOMPARE(open.title, QStringLiteral("打开FLASH文件"));
        QCOMPARE(open.filters, QStringList{QStringLiteral("*.swf")});
        QCOMPARE(open.startFolder, QCoreApplication::applicationDirPath());
    }
};

QTEST_GUILESS_MAIN(SaveAsTest)
#include "test_save_as.moc"
