#pragma once

#include "platform/desktop.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace reelcase::test {

// A desktop that answers dialogs from scripted replies and records every call.
// An empty reply queue answers like a cancelled dialog.
class FakeDesktop final : public Desktop {
public:
    QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request) override;
    QString chooseSaveFile(QWidget* parent, const FileDialogRequest& request) override;
    QString chooseFolder(QWidget* parent) override;
    void showMessage(QWidget* parent, const QString& title, const QString& text) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    void beep() override;
    void openUrl(const QUrl& url) override;
    QDateTime now() const override;

    // Scripted replies, taken first in, first out.
    QStringList openReplies;
    QStringList saveReplies;
    QStringList folderReplies;
    // When valid, now() answers this instead of the real clock.
    QDateTime fixedNow;

    // What was asked.
    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    int folderRequests = 0;
    struct Message {
        QString title;
        QString text;
        bool error = false;
    };
    QList<Message> messages;
    // Called as a message box would open, to look at the window at that moment.
    std::function<void(const Message&)> onMessage;
    int beeps = 0;
    QList<QUrl> openedUrls;
};

} // namespace reelcase::test
