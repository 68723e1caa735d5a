#pragma once

#include "swf/player/host.h"

#include <QHash>
#include <QStringList>

namespace reelcase::test {

// A player host that records what the movie asked for and serves files from memory.
class FakeSwfHost : public swf::Host {
public:
    QStringList traces;
    QStringList openedUrls;
    QStringList fsCommands;
    QStringList fontRequests;
    QHash<QString, QByteArray> files; // relative path -> bytes
    qint64 nowMs = 0;
    QStringList fontFamilies; // answered for every font name when not empty

    void trace(const QString& line) override { traces << line; }
    void openUrl(const QString& url, const QString& target, bool userInitiated) override {
        openedUrls << url + u' ' + target + (userInitiated ? u" user" : u" script");
    }
    void fsCommand(const QString& command, const QString& arguments) override {
        fsCommands << command + u' ' + arguments;
    }
    std::optional<QByteArray> loadFile(const QString& relativePath) override {
        if (!files.contains(relativePath))
            return std::nullopt;
        return files.value(relativePath);
    }
    qint64 currentTimeMs() const override { return nowMs; }
    QStringList families(const QString& name) const override {
        const_cast<FakeSwfHost*>(this)->fontRequests << name;
        return fontFamilies.isEmpty() ? swf::DeviceFonts::families(name) : fontFamilies;
    }
};

} // namespace reelcase::test
