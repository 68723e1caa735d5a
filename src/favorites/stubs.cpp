// Placeholders so the tree links while the favorites code is written.
#include "favorites/add_favorite_dialog.h"
#include "favorites/favorites_folder.h"

#include <QKeyEvent>

namespace reelcase {

QStringList listFavoriteFiles(const QString&) {
    return {};
}
QString favoriteNodeText(const QString& fileName) {
    return QString(fileName).remove(QStringLiteral(".swf"));
}
QString favoritePath(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + fileName;
}
bool isUsableFavoriteName(const QString& name) {
    return !name.isEmpty();
}
bool removeFavoriteFile(const QString&) {
    return false;
}

AddFavoriteDialog::AddFavoriteDialog(Desktop& desktop, const SharedValues& values, QWidget* parent)
    : QDialog(parent)
    , m_desktop(desktop)
    , m_values(values)
    , m_label(nullptr)
    , m_name(nullptr)
    , m_ok(nullptr)
    , m_cancel(nullptr) {
    setObjectName(QStringLiteral("Form2"));
}
QLineEdit* AddFavoriteDialog::nameBox() const {
    return m_name;
}
void AddFavoriteDialog::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}
void AddFavoriteDialog::onOk() {}

} // namespace reelcase
