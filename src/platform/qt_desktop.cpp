#include "platform/qt_desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace reelcase {
namespace {

// The chosen path, or an empty string when the dialog was cancelled.
QString runFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.startFolder);
    dialog.setNameFilters(request.filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDesktop::chooseOpenFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog, request);
}

QString QtDesktop::chooseSaveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The command appends ".swf" itself and replaces without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(QString());
    return runFileDialog(dialog, request);
}

QString QtDesktop::chooseFolder(QWidget* parent) {
    QString folder =
        QFileDialog::getExistingDirectory(parent, QString(), QString(), QFileDialog::ShowDirsOnly);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void QtDesktop::showMessage(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::showError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::beep() {
    QApplication::beep();
}

void QtDesktop::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QDateTime QtDesktop::now() const {
    return QDateTime::currentDateTime();
}

} // namespace reelcase
