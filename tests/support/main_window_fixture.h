#pragma once

#include "mainwindow/main_window.h"
#include "support/fake_desktop.h"
#include "support/fake_settings_store.h"
#include "support/temp_environment.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace reelcase::test {

// A main window over a fake desktop and settings store and temporary XDG folders, as
// start-up builds it.
// endings counts how often the window ended the program.
struct MainWindowFixture {
    explicit MainWindowFixture(SharedValues values = {});

    // Builds the window, shows it and waits until the favorites tree has been filled.
    MainWindow& open();
    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }

    TempEnvironment environment;
    FakeDesktop desktop;
    std::shared_ptr<FakeSettingsStore> settings = std::make_shared<FakeSettingsStore>();
    SharedValues values;
    std::unique_ptr<MainWindow> window;
    int endings = 0;
};

// Writes a file of the given size (bytes of 'x'), creating its folder.
void writeBytes(const QString& path, qint64 size);

} // namespace reelcase::test
