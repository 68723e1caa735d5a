#include "support/fake_desktop.h"

namespace reelcase::test {

QString FakeDesktop::chooseOpenFile(QWidget*, const FileDialogRequest& request) {
    openRequests << request;
    return openReplies.isEmpty() ? QString() : openReplies.takeFirst();
}

QString FakeDesktop::chooseSaveFile(QWidget*, const FileDialogRequest& request) {
    saveRequests << request;
    return saveReplies.isEmpty() ? QString() : saveReplies.takeFirst();
}

QString FakeDesktop::chooseFolder(QWidget*) {
    ++folderRequests;
    return folderReplies.isEmpty() ? QString() : folderReplies.takeFirst();
}

void FakeDesktop::showMessage(QWidget*, const QString& title, const QString& text) {
    messages << Message{title, text, false};
    if (onMessage)
        onMessage(messages.constLast());
}

void FakeDesktop::showError(QWidget*, const QString& title, const QString& text) {
    messages << Message{title, text, true};
    if (onMessage)
        onMessage(messages.constLast());
}

void FakeDesktop::beep() {
    ++beeps;
}

void FakeDesktop::openUrl(const QUrl& url) {
    openedUrls << url;
}

QDateTime FakeDesktop::now() const {
    return fixedNow.isValid() ? fixedNow : QDateTime::currentDateTime();
}

} // namespace reelcase::test
