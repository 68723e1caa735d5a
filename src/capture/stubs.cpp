// Placeholders so the tree links while the capture code is written.
#include "capture/cache_search.h"
#include "capture/file_local_time.h"
#include "capture/flash_player_widget.h"
#include "capture/save_as.h"

#include <QFileInfo>
#include <QPainter>

namespace reelcase {

struct FlashPlayerWidget::Private {
    swf::Player player;
    QString path;
};
FlashPlayerWidget::FlashPlayerWidget(QWidget* parent)
    : QWidget(parent)
    , d(new Private) {
    setObjectName(QStringLiteral("ShockwaveFlash1"));
}
FlashPlayerWidget::~FlashPlayerWidget() = default;
void FlashPlayerWidget::setMovie(const QString& path) {
    d->path = path;
}
QString FlashPlayerWidget::movie() const {
    return d->path;
}
void FlashPlayerWidget::play() {
    d->player.play();
}
void FlashPlayerWidget::stop() {
    d->player.stop();
}
bool FlashPlayerWidget::isPlaying() const {
    return d->player.isPlaying();
}
swf::Player& FlashPlayerWidget::player() {
    return d->player;
}
const swf::Player& FlashPlayerWidget::player() const {
    return d->player;
}
void FlashPlayerWidget::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::white);
}
void FlashPlayerWidget::contextMenuEvent(QContextMenuEvent*) {}

QString findContentFolder(const QString&) {
    return {};
}
bool qualifies(qint64, const QDateTime&, const QDateTime&) {
    return false;
}
QString displayNameFor(const QDateTime& t) {
    return t.toString(QStringLiteral("MMddhhmmss")) + QStringLiteral(".swf");
}
void scanCache(const QString&, const QDateTime&, const std::function<void(const FoundFlash&)>&,
               const std::atomic_bool*) {}
struct CacheSearch::Private {};
CacheSearch::CacheSearch(QObject* parent)
    : QObject(parent)
    , d(new Private) {}
CacheSearch::~CacheSearch() = default;
bool CacheSearch::start(const QString&, const QDateTime&) {
    Q_EMIT finished(0);
    return true;
}
bool CacheSearch::isRunning() const {
    return false;
}
QDateTime fileLocalTime(const QString& path) {
    return QFileInfo(path).lastModified();
}
FileDialogRequest saveAsDialogRequest() {
    return {};
}
QString saveAsDestination(const QString& chosen) {
    return chosen.trimmed() + QStringLiteral(".swf");
}
FileDialogRequest openDialogRequest() {
    return {};
}

} // namespace reelcase
