#include "startup/main_routine.h"

#include "mainwindow/main_window.h"
#include "startup/environment.h"

namespace reelcase {

void Main(Desktop& desktop, std::shared_ptr<SettingsStore> settings) {
    const SharedValues values =
        settleEnvironment(QProcessEnvironment::systemEnvironment(), *settings);
    auto* window = new MainWindow(desktop, std::move(settings), values);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

} // namespace reelcase
