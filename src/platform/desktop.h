#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace reelcase {

// What a file dialog is asked to show. Filters use Qt's "text (patterns)" form.
struct FileDialogRequest {
    QString title;
    QString startFolder;
    QStringList filters;
};

// The seam to everything that blocks on a person or leaves the process. The program
// gets QtDesktop; tests get a fake that answers with scripted results and records calls.
class Desktop {
public:
    virtual ~Desktop();

    // An existing file's full path, or an empty string when the user cancels.
    virtual QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // The typed or picked destination exactly as the dialog returns it (no extension
    // added, no overwrite question), or an empty string on cancel.
    virtual QString chooseSaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // A file-system folder without a trailing "/" ("/" itself excepted), or empty on cancel.
    virtual QString chooseFolder(QWidget* parent) = 0;
    // A message box with one OK button and no icon; returns when it is closed.
    virtual void showMessage(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message box that reports a failure (warning icon, one OK button).
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void beep() = 0;
    // Asks the desktop to open an address; the outcome is not reported.
    virtual void openUrl(const QUrl& url) = 0;
    // The current wall-clock instant.
    virtual QDateTime now() const = 0;
};

} // namespace reelcase
