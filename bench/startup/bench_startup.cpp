// Start-up to first paint: the main window as start-up builds it, against a bare Qt window
// of the same size, each measured from construction to its first paint event, in one run.
#include "mainwindow/main_window.h"
#include "platform/desktop.h"
#include "platform/settings_store.h"
#include "startup/environment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A desktop that never blocks: the benchmark opens no dialog and no page.
class QuietDesktop final : public reelcase::Desktop {
public:
    QString chooseOpenFile(QWidget*, const reelcase::FileDialogRequest&) override { return {}; }
    QString chooseSaveFile(QWidget*, const reelcase::FileDialogRequest&) override { return {}; }
    QString chooseFolder(QWidget*) override { return {}; }
    void showMessage(QWidget*, const QString&, const QString&) override {}
    void showError(QWidget*, const QString&, const QString&) override {}
    void beep() override {}
    void openUrl(const QUrl&) override {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Notes when any widget of the window first paints.
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double millisecondsToFirstPaint(const std::function<QWidget*()>& make) {
    FirstPaint watcher;
    qApp->installEventFilter(&watcher);
    QElapsedTimer clock;
    clock.start();
    QWidget* window = make();
    window->show();
    while (!watcher.painted && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = clock.nsecsElapsed() / 1e6;
    qApp->removeEventFilter(&watcher);
    delete window;
    QCoreApplication::processEvents();
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    QApplication app(argc, argv);
    QuietDesktop desktop;
    const auto settings = std::make_shared<reelcase::QtSettingsStore>();
    const reelcase::SharedValues values = reelcase::settleEnvironment({}, *settings);

    constexpr int kRuns = 15;
    std::vector<double> bare, reelcase;
    // One of each first, so that fonts and styles are loaded before anything is timed.
    millisecondsToFirstPaint([] { return new QWidget; });
    millisecondsToFirstPaint([&] { return new reelcase::MainWindow(desktop, settings, values); });
    for (int i = 0; i < kRuns; ++i) {
        bare.push_back(millisecondsToFirstPaint([] {
            auto* window = new QWidget;
            window->setFixedSize(733, 523);
            return window;
        }));
        reelcase.push_back(millisecondsToFirstPaint(
            [&] { return new reelcase::MainWindow(desktop, settings, values); }));
    }
    const double bareMs = median(bare);
    const double mainMs = median(reelcase);
    std::printf("start-up to first paint (median of %d, platform %s)\n", kRuns,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  bare Qt window     %8.2f ms\n", bareMs);
    std::printf("  Reelcase window    %8.2f ms\n", mainMs);
    std::printf("  ratio              %8.2f x\n", bareMs > 0 ? mainMs / bareMs : 0.0);
    return 0;
}
