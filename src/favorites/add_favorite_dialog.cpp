#include "favorites/add_favorite_dialog.h"

#include "favorites/favorites_folder.h"
#include "platform/background.h"
#include "platform/desktop.h"
#include "platform/safe_file_copy.h"
#include "platform/shared_values.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace reelcase {
namespace {

const QString kTitle = QStringLiteral("添加到收藏夹");

// The layout is drawn in pixels at 96 DPI; the numbers below are the form's twips / 15.
constexpr QSize kClientSize(324, 116);
constexpr QPoint kLabelPos(16, 16);
constexpr QRect kNameRect(16, 36, 289, 21);
constexpr QRect kOkRect(156, 76, 73, 25);
constexpr QRect kCancelRect(232, 76, 73, 25);

QPushButton* makeButton(const QString& name, const QString& text, const QRect& rect,
                        QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    // Neither button answers Enter: no default, not even while it has the focus.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

AddFavoriteDialog::AddFavoriteDialog(Desktop& desktop, const SharedValues& values, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_desktop(desktop)
    , m_values(values)
    , m_label(new QLabel(QStringLiteral("保存FLASH名称"), this))
    , m_name(new QLineEdit(this))
    , m_ok(makeButton(QStringLiteral("Command1"), QStringLiteral("确 定"), kOkRect, this))
    , m_cancel(makeButton(QStringLiteral("Command2"), QStringLiteral("取 消"), kCancelRect, this)) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/form2.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(kClientSize);

    m_label->setObjectName(QStringLiteral("Label2"));
    m_label->move(kLabelPos);
    m_label->adjustSize();

    m_name->setObjectName(QStringLiteral("Text1"));
    m_name->setGeometry(kNameRect);

    setTabOrder(m_name, m_ok);
    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_label);
    m_name->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &AddFavoriteDialog::onOk);
    connect(m_cancel, &QPushButton::clicked, this, &AddFavoriteDialog::close);

    centreOnScreen();
}

QLineEdit* AddFavoriteDialog::nameBox() const {
    return m_name;
}

void AddFavoriteDialog::centreOnScreen() {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void AddFavoriteDialog::keyPressEvent(QKeyEvent* event) {
    // QDialog would press a default button on Enter and reject on Esc; this dialog has
    // neither, so both keys end here.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void AddFavoriteDialog::closeEvent(QCloseEvent* event) {
    if (m_copying) {
        // The copy cannot be called back; let it finish out of sight so a favorite that it
        // writes still reaches the tree.
        m_closeWhenCopied = true;
        hide();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void AddFavoriteDialog::showEvent(QShowEvent* event) {
    // Shown again while a copy started before a close is still running: the person wants
    // the dialog back, so the copy's outcome is reported here as for any other OK.
    m_closeWhenCopied = false;
    QDialog::showEvent(event);
}

void AddFavoriteDialog::onOk() {
    if (m_copying)
        return;
    const QString name = m_name->text();
    if (!isUsableFavoriteName(name)) {
        m_desktop.beep();
        return;
    }
    const QString folder = m_values.FavoritesFolder;
    if (folder.isEmpty()) {
        m_desktop.showError(this, kTitle, QStringLiteral("还没有选择收藏文件夹。"));
        return;
    }
    const QString source = m_values.CurrentFlashPath;
    if (source.isEmpty()) {
        m_desktop.showError(this, kTitle, QStringLiteral("还没有选择要收藏的FLASH文件。"));
        return;
    }
    const QString destination = favoritePath(folder, name + QStringLiteral(".swf"));

    m_copying = true;
    FileLimits limits;
    limits.cancelled = [gone = m_gone] { return gone->load(); };
    runInBackground(
        this, [source, destination, limits] { return copyFileSafely(source, destination, limits); },
        [this, destination](const CopyResult& result) {
            onCopied(result.ok, destination, result.error);
        });
}

void AddFavoriteDialog::onCopied(bool ok, const QString& path, const QString& error) {
    m_copying = false;
    if (ok)
        Q_EMIT favoriteAdded(path);
    else
        // Said even when the dialog was closed meanwhile: the person believes it was added.
        m_desktop.showError(m_closeWhenCopied ? nullptr : this, kTitle,
                            QStringLiteral("收藏失败：") + error);
    if (ok || m_closeWhenCopied)
        close();
}

AddFavoriteDialog::~AddFavoriteDialog() {
    *m_gone = true;
}

} // namespace reelcase
