#include "capture/player_host.h"

#include <QClipboard>
#include <QGuiApplication>

namespace reelcase {

QUrl movieLinkToOpen(const QString& url, bool userInitiated) {
    if (!userInitiated)
        return {};
    const QUrl link(url.trimmed(), QUrl::StrictMode);
    if (!link.isValid())
        return {};
    const QString scheme = link.scheme().toLower();
    const bool web = (scheme == u"http" || scheme == u"https") && !link.host().isEmpty();
    const bool mail = scheme == u"mailto" && !link.path().isEmpty();
    return web || mail ? link : QUrl();
}

void PlayerHost::openUrl(const QString& url, const QString& target, bool userInitiated) {
    (void)target; // every link opens in the browser, whatever window the movie names
    const QUrl link = movieLinkToOpen(url, userInitiated);
    if (!link.isEmpty() && openLink)
        openLink(link);
}

void PlayerHost::fsCommand(const QString& command, const QString& arguments) {
    (void)arguments;
    if (command.trimmed().compare(u"quit", Qt::CaseInsensitive) == 0 && quit)
        quit();
}

QString PlayerHost::clipboardText() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

void PlayerHost::setClipboardText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

} // namespace reelcase
