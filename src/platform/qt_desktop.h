#pragma once

#include "platform/desktop.h"

namespace reelcase {

// The real desktop: Qt's dialogs, message boxes, beep and QDesktopServices.
class QtDesktop final : public Desktop {
public:
    QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request) override;
    QString chooseSaveFile(QWidget* parent, const FileDialogRequest& request) override;
    QString chooseFolder(QWidget* parent) override;
    void showMessage(QWidget* parent, const QString& title, const QString& text) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    void beep() override;
    void openUrl(const QUrl& url) override;
    QDateTime now() const override;
};

} // namespace reelcase
