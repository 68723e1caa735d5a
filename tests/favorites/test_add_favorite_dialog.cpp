#include "favorites/add_favorite_dialog.h"
#include "platform/shared_values.h"
#include "support/busy_pool.h"
#include "support/fake_desktop.h"
#include "support/file_contents.h"
#include "support/hang_guard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase;
using reelcase::test::readFile;
using reelcase::test::writeFile;

namespace {} // namespace

class AddFavoriteDialogTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    test::FakeDesktop m_desktop;
    SharedValues m_values;
    QPointer<AddFavoriteDialog> m_dialog;

    QString favorites() const { return m_dir.filePath("fav"); }
    QString pipe() const { return m_dir.filePath("pipe.swf"); }
    QPushButton* ok() const { return m_dialog->findChild<QPushButton*>("Command1"); }
    QPushButton* cancel() const { return m_dialog->findChild<QPushButton*>("Command2"); }

    void open() {
        m_dialog = new AddFavoriteDialog(m_desktop, m_values);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    void typeAndOk(const QString& name) {
        m_dialog->nameBox()->setText(name);
        QTest::mouseClick(ok(), Qt::LeftButton);
    }

    QStringList favoriteFiles() const {
        return QDir(favorites()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private Q_SLOTS:
    void init() {
        m_desktop = test::FakeDesktop();
        QDir(favorites()).removeRecursively();
        QVERIFY(QDir().mkpath(favorites()));
        writeFile(m_dir.filePath("first.swf"), "FWS first");
        writeFile(m_dir.filePath("second.swf"), "FWS second");
        if (!QFileInfo::exists(pipe())) {
            QVERIFY(test::makeFifo(pipe()));
            QVERIFY(QFile::link(pipe(), m_dir.filePath("pipe-link.swf")));
        }
        m_values.CurrentFlashPath = m_dir.filePath("first.swf");
        m_values.FavoritesFolder = favorites();
    }
    void cleanup() { delete m_dialog; }

    void layout() {
        open();
        QCOMPARE(m_dialog->objectName(), QString("Form2"));
        QCOMPARE(m_dialog->windowTitle(), QString("添加到收藏夹"));
        QCOMPARE(m_dialog->size(), QSize(324, 116));
        QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
        QVERIFY(!m_dialog->isModal());
        QVERIFY(m_dialog->testAttribute(Qt::WA_DeleteOnClose));
        const Qt::WindowFlags flags = m_dialog->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        auto* label = m_dialog->findChild<QLabel*>("Label2");
        auto* name = m_dialog->findChild<QLineEdit*>("Text1");
        QVERIFY(label && name && ok() && cancel());
        QCOMPARE(name, m_dialog->nameBox());
        QCOMPARE(label->text(), QString("保存FLASH名称"));
        QCOMPARE(label->pos(), QPoint(16, 16));
        QCOMPARE(label->size(), label->sizeHint());
        QCOMPARE(name->geometry(), QRect(16, 36, 289, 21));
        QVERIFY(name->text().isEmpty());
        QCOMPARE(ok()->text(), QString("确 定"));
        QCOMPARE(ok()->geometry(), QRect(156, 76, 73, 25));
        QCOMPARE(cancel()->text(), QString("取 消"));
        QCOMPARE(cancel()->geometry(), QRect(232, 76, 73, 25));
        QVERIFY(!ok()->isDefault() && !ok()->autoDefault());
        QVERIFY(!cancel()->isDefault() && !cancel()->autoDefault());

        const QRect screen = m_dialog->screen()->geometry();
        QVERIFY(qAbs(m_dialog->frameGeometry().center().x() - screen.center().x()) <= 16);
        QVERIFY(qAbs(m_dialog->frameGeometry().center().y() - screen.center().y()) <= 32);
    }

    void tabOrderStartsAtTheName() {
        open();
        QApplication::setActiveWindow(m_dialog);
        QVERIFY(QTest::qWaitForWindowActive(m_dialog));
        QTRY_COMPARE(QApplication::focusWidget(), m_dialog->nameBox());
        const QList<QWidget*> order{ok(), cancel(), m_dialog->nameBox()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void enterAndEscDoNothing() {
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        m_dialog->nameBox()->setText("abc");
        for (QWidget* target : {static_cast<QWidget*>(m_dialog->nameBox()),
                                static_cast<QWidget*>(ok()), static_cast<QWidget*>(cancel())}) {
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        QTest::qWait(50); // a copy, had one started, would be delivered by now
        QVERIFY(m_dialog);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(added.count(), 0);
        QVERIFY(favoriteFiles().isEmpty());
        QCOMPARE(m_dialog->nameBox()->text(), QString("abc"));
    }

    void refusedNameBeepsAndStaysOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("too long") << QString(300, 'x');
    }
    void refusedNameBeepsAndStaysOpen() {
        QFETCH(QString, name);
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk(name);
        QCOMPARE(m_desktop.beeps, 1);
        QVERIFY(m_desktop.messages.isEmpty());
        QVERIFY(m_dialog && m_dialog->isVisible());
        QCOMPARE(m_dialog->nameBox()->text(), name);
        QCOMPARE(added.count(), 0);
        QVERIFY(favoriteFiles().isEmpty());
        QVERIFY(QDir(m_dir.path()).exists("a/b.swf") == false);
    }

    void okCopiesUnderTheTypedName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "abc"
                               << "abc.swf";
        QTest::newRow("own extension kept") << "abc.swf"
                                            << "abc.swf.swf";
        QTest::newRow("upper extension") << "Abc.SWF"
                                         << "Abc.SWF.swf";
        QTest::newRow("not trimmed") << " a b "
                                     << " a b .swf";
        QTest::newRow("spaces only") << "  "
                                     << "  .swf";
    }
    void okCopiesUnderTheTypedName() {
        QFETCH(QString, name);
        QFETCH(QString, file);
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk(name);
        QVERIFY(added.wait());
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.at(0).at(0).toString(), favorites() + "/" + file);
        QCOMPARE(favoriteFiles(), QStringList{file});
        QCOMPARE(readFile(favorites() + "/" + file), QByteArray("FWS first"));
        QTRY_VERIFY(!m_dialog); // closed and deleted
        QCOMPARE(m_desktop.beeps, 0);
    }

    void okOverwritesAnExistingFavorite() {
        writeFile(favorites() + "/abc.swf", "old");
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk("abc");
        QVERIFY(added.wait());
        QCOMPARE(readFile(favorites() + "/abc.swf"), QByteArray("FWS first"));
        QVERIFY(m_desktop.messages.isEmpty());
    }

    void okReadsTheValuesAtThatMoment() {
        open();
        m_values.CurrentFlashPath = m_dir.filePath("second.swf");
        const QString other = m_dir.filePath("other");
        QVERIFY(QDir().mkpath(other));
        m_values.FavoritesFolder = other;
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk("abc");
        QVERIFY(added.wait());
        QCOMPARE(readFile(other + "/abc.swf"), QByteArray("FWS second"));
        QVERIFY(favoriteFiles().isEmpty());
    }

    void secondOkWhileCopyingIsIgnored() {
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk("abc");
        m_dialog->nameBox()->setText("def");
        QTest::mouseClick(ok(), Qt::LeftButton);
        QVERIFY(added.wait());
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(added.count(), 1);
        QCOMPARE(favoriteFiles(), QStringList{"abc.swf"});
    }

    void failedCopyShowsWhyAndStaysOpen_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("folder");
        QTest::newRow("source gone") << "gone.swf"
                                     << "fav";
        QTest::newRow("source a link to a pipe") << "pipe-link.swf"
                                                 << "fav";
        QTest::newRow("no current file") << ""
                                         << "fav";
        QTest::newRow("folder gone") << "first.swf"
                                     << "missing";
        QTest::newRow("no favorites folder") << "first.swf"
                                             << "";
    }
    void failedCopyShowsWhyAndStaysOpen() {
        QFETCH(QString, source);
        QFETCH(QString, folder);
        open();
        m_values.CurrentFlashPath = source.isEmpty() ? QString() : m_dir.filePath(source);
        m_values.FavoritesFolder = folder.isEmpty() ? QString() : m_dir.filePath(folder);
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk("abc");
        QTRY_COMPARE(m_desktop.messages.size(), 1);
        QVERIFY(m_desktop.messages[0].error);
        QCOMPARE(m_desktop.messages[0].title, QString("添加到收藏夹"));
        QVERIFY(!m_desktop.messages[0].text.isEmpty());
        QVERIFY(m_dialog && m_dialog->isVisible());
        QCOMPARE(m_dialog->nameBox()->text(), QString("abc"));
        QCOMPARE(added.count(), 0);
        QVERIFY(favoriteFiles().isEmpty());

        // The dialog is usable again: the next OK with a good source succeeds.
        m_values.CurrentFlashPath = m_dir.filePath("first.swf");
        m_values.FavoritesFolder = favorites();
        QTest::mouseClick(ok(), Qt::LeftButton);
        QVERIFY(added.wait());
    }

    void cancelAndCloseBoxCloseWithoutWriting() {
        open();
        m_dialog->nameBox()->setText("abc");
        QTest::mouseClick(cancel(), Qt::LeftButton);
        QTRY_VERIFY(!m_dialog);

        open();
        m_dialog->nameBox()->setText("abc");
        QVERIFY(m_dialog->close());
        QTRY_VERIFY(!m_dialog);
        QVERIFY(favoriteFiles().isEmpty());
        QCOMPARE(m_desktop.beeps, 0);
    }

    void closedWhileCopyingStillReportsTheFavorite() {
        open();
        QSignalSpy added(m_dialog.data(), &AddFavoriteDialog::favoriteAdded);
        typeAndOk("abc");
        m_dialog->close();
        QVERIFY(m_dialog && !m_dialog->isVisible());
        QVERIFY(added.wait());
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(favoriteFiles(), QStringList{"abc.swf"});
    }

    void closedWhileCopyingStillReportsAFailure() {
        open();
        m_values.CurrentFlashPath = m_dir.filePath("gone.swf");
        {
            test::BusyPool slowDisk;
            typeAndOk("abc");
            m_dialog->close();
            QVERIFY(m_dialog && !m_dialog->isVisible());
        }
        QTRY_COMPARE(m_desktop.messages.size(), 1);
        QVERIFY(m_desktop.messages[0].error);
        QVERIFY2(m_desktop.messages[0].text.startsWith("收藏失败："),
                 qPrintable(m_desktop.messages[0].text));
        QTRY_VERIFY(!m_dialog);
        QVERIFY(favoriteFiles().isEmpty());
    }

    void reopenedWhileCopyingReportsAFailure() {
        open();
        m_values.CurrentFlashPath = m_dir.filePath("gone.swf");
        typeAndOk("abc");
        m_dialog->close();
        m_dialog->show(); // a second 收藏 brings the same dialog back
        QTRY_COMPARE(m_desktop.messages.size(), 1);
        QVERIFY(m_dialog && m_dialog->isVisible());
        QCOMPARE(m_dialog->nameBox()->text(), QString("abc"));
    }
};

QTEST_MAIN(AddFavoriteDialogTest)
#include "test_add_favorite_dialog.moc"
