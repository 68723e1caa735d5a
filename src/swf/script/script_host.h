#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace reelcase::swf {

// What a movie's scripts ask of the program that plays them. Every call is made on the
// player's thread. The defaults do nothing, so a host overrides only what it offers.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // One trace() call, already converted to text.
    virtual void trace(const QString& line) { (void)line; }
    // getURL: the host decides whether to open it; userInitiated says whether the script
    // runs in answer to a click or key press made in the player.
    virtual void openUrl(const QString& url, const QString& target, bool userInitiated) {
        (void)url;
        (void)target;
        (void)userInitiated;
    }
    virtual void fsCommand(const QString& command, const QString& arguments) {
        (void)command;
        (void)arguments;
    }
    // A file the movie loads by a relative path (loadMovie, loadVariables, XML.load,
    // loadSound). Nothing when refused, missing or too large. May block; hosts keep it
    // to files beside the movie.
    virtual std::optional<QByteArray> loadFile(const QString& relativePath) {
        (void)relativePath;
        return std::nullopt;
    }
    // System.setClipboard.
    virtual void setClipboard(const QString& text) { (void)text; }
    // A movie's stored objects (SharedObject.getLocal), by the object's path and name
    // ("path/name"): the host keeps them per movie. Nothing when none is kept.
    virtual std::optional<QByteArray> readStoredObject(const QString& name) {
        (void)name;
        return std::nullopt;
    }
    // false when the host keeps nothing or refuses it.
    virtual bool writeStoredObject(const QString& name, const QByteArray& bytes) {
        (void)name;
        (void)bytes;
        return false;
    }
    // The movie's own file name, for its _url (its folder stays private); empty: unknown.
    virtual QString movieFileName() const { return {}; }
    // Milliseconds since the Unix epoch, for Date.
    virtual qint64 currentTimeMs() const;
    // The clipboard text fields copy to and paste from; by default one kept by this host.
    virtual QString clipboardText() const { return m_clipboard; }
    virtual void setClipboardText(const QString& text) { m_clipboard = text; }

private:
    QString m_clipboard;
};

} // namespace reelcase::swf
