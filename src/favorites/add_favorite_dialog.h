#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace reelcase {

class Desktop;
struct SharedValues;

// The add-to-favorites dialog (objectName "Form2"): caption "添加到收藏夹", fixed size
// 324 x 116, the label Label2, the name box Text1 and the buttons Command1 ("确 定") and
// Command2 ("取 消"); modeless, centred, neither a default nor a cancel button.
// OK reads CurrentFlashPath and FavoritesFolder at that moment and copies the file to
// FavoritesFolder + "/" + name + ".swf" off the UI thread.
class AddFavoriteDialog : public QDialog {
    Q_OBJECT
public:
    AddFavoriteDialog(Desktop& desktop, const SharedValues& values, QWidget* parent = nullptr);

    QLineEdit* nameBox() const;

Q_SIGNALS:
    // A favorite was written; the dialog closes right after.
    void favoriteAdded(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onOk();

    Desktop& m_desktop;
    const SharedValues& m_values;
    QLabel* m_label;
    QLineEdit* m_name;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_copying = false;
};

} // namespace reelcase
