#include "support/main_window_fixture.h"

#include "startup/environment.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

namespace reelcase::test {

MainWindowFixture::MainWindowFixture(SharedValues initial)
    : values(std::move(initial)) {
    if (values.WindowsFolder.isEmpty())
        values.WindowsFolder = environment.dataHome() + QStringLiteral("/");
    if (values.FavoritesFolder.isEmpty()) {
        values.FavoritesFolder = values.WindowsFolder + QStringLiteral("reelcase");
        QDir().mkpath(values.FavoritesFolder);
    }
}

MainWindow& MainWindowFixture::open() {
    window = std::make_unique<MainWindow>(desktop, settings, values);
    window->setEndProgram([this] { ++endings; });
    QSignalSpy refilled(window.get(), &MainWindow::favoritesRefilled);
    window->show();
    if (refilled.isEmpty())
        refilled.wait(5000);
    return *window;
}

void writeBytes(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray(size, 'x'));
}

} // namespace reelcase::test
