#pragma once

#include <QDialog>

#include <atomic>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace reelcase {

class Desktop;
struct SharedValues;

// The add-to-favorites dialog (objectName "Form2"): caption "添加到收藏夹", fixed size
// 324 x 116, the label Label2, the name box Text1 and the buttons Command1 ("确 定") and
// Command2 ("取 消"); modeless, centred on the screen, neither a default nor a cancel
// button (Enter and Esc do nothing). It deletes itself when closed.
//
// OK refuses an empty or unusable name with a beep. Otherwise it reads CurrentFlashPath and
// FavoritesFolder at that moment and copies the file to FavoritesFolder + "/" + name +
// ".swf" off the UI thread; a second OK meanwhile is ignored. A failed copy is reported
// through Desktop::showError and the dialog stays open with its text; closed while the copy
// ran, it reports the failure all the same and then closes. Destroying the dialog stops
// a copy still running, which then leaves nothing behind.
// desktop and values must outlive the dialog.
class AddFavoriteDialog : public QDialog {
    Q_OBJECT
public:
    AddFavoriteDialog(Desktop& desktop, const SharedValues& values, QWidget* parent = nullptr);
    ~AddFavoriteDialog() override;

    QLineEdit* nameBox() const;

Q_SIGNALS:
    // A favorite was written to path (a full path); the dialog closes right after. Also
    // fires when the dialog was closed while the copy ran and the copy then succeeded.
    void favoriteAdded(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onOk();
    void onCopied(bool ok, const QString& path, const QString& error);
    void centreOnScreen();

    Desktop& m_desktop;
    const SharedValues& m_values;
    QLabel* m_label;
    QLineEdit* m_name;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_copying = false;
    // Closed while the copy ran: hidden at once, closed for good when the copy ends.
    bool m_closeWhenCopied = false;
    std::shared_ptr<std::atomic_bool> m_gone = std::make_shared<std::atomic_bool>(false);
};

} // namespace reelcase
