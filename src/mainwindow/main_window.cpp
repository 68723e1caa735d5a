#include "mainwindow/main_window.h"

namespace reelcase {

MainWindow::MainWindow(Desktop& desktop, SharedValues values, QWidget* parent)
    : QMainWindow(parent)
    , m_desktop(desktop)
    , m_values(std::move(values)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("拾影匣 V6.0"));
}

MainWindow::~MainWindow() = default;

SharedValues& MainWindow::values() {
    return m_values;
}

} // namespace reelcase
