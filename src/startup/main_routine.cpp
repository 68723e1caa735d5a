#include "startup/main_routine.h"

#include "mainwindow/main_window.h"
#include "startup/environment.h"

namespace reelcase {

void Main(Desktop& desktop) {
    const SharedValues values = settleEnvironment(QProcessEnvironment::systemEnvironment());
    auto* window = new MainWindow(desktop, values);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

} // namespace reelcase
