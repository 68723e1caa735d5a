#pragma once

#include "swf/player/host.h"

#include <QUrl>

#include <functional>

namespace reelcase {

// The address a movie's getURL may open in the user's browser: http, https and mailto
// links, and only in answer to a click or key press the user made in the player (pop-ups
// a movie opens on its own are refused). Empty when refused.
QUrl movieLinkToOpen(const QString& url, bool userInitiated);

// What a movie in the player widget may ask of the program. Links go to openLink once
// movieLinkToOpen allows them; fscommand("quit") stops the movie, no more; other
// fscommands and every file outside the movie are refused.
class PlayerHost : public swf::Host {
public:
    std::function<void(const QUrl&)> openLink;
    std::function<void()> quit;

    void openUrl(const QString& url, const QString& target, bool userInitiated) override;
    void fsCommand(const QString& command, const QString& arguments) override;
    // Text fields copy to and paste from the desktop's clipboard.
    QString clipboardText() const override;
    void setClipboardText(const QString& text) override;
};

} // namespace reelcase
