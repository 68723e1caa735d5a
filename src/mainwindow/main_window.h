#pragma once

#include "platform/shared_values.h"

#include <QMainWindow>

namespace reelcase {

class Desktop;

// The main window, Form1.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Desktop& desktop, SharedValues values, QWidget* parent = nullptr);
    ~MainWindow() override;

    SharedValues& values();

private:
    Desktop& m_desktop;
    SharedValues m_values;
};

} // namespace reelcase
