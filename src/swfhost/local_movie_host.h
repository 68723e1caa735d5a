#pragma once

#include "swf/player/host.h"

#include <QList>
#include <QString>

#include <functional>

namespace reelcase::swfhost {

// A player host for a movie read from a folder: trace lines go to a callback, files are
// served from the movie's own folder and nowhere else, nothing is fetched from the network,
// and what the movie asks to open is kept for the program to decide on.
class LocalMovieHost : public swf::Host {
public:
    // A file the movie loads may hold at most this many bytes unless told otherwise.
    static constexpr qint64 kDefaultMaxFileBytes = qint64(64) << 20;
    // A stored object larger than this is neither written nor read.
    static constexpr qint64 kMaxStoredObjectBytes = 100 * 1024;

    struct UrlRequest {
        QString url;
        QString target;
        bool userInitiated = false;
    };
    struct FsCommand {
        QString command;
        QString arguments;
    };

    explicit LocalMovieHost(const QString& moviePath, qint64 maxFileBytes = kDefaultMaxFileBytes);

    // Receives every trace() line; without one, trace output goes nowhere.
    void setTraceHandler(std::function<void(const QString&)> handler);

    // The folder loads resolve against: the movie's own, as given (not canonical).
    QString folder() const { return m_folder; }

    const QList<UrlRequest>& urlRequests() const { return m_urlRequests; }
    const QList<FsCommand>& fsCommands() const { return m_fsCommands; }
    // Why the last refused or failed load failed, for diagnostics.
    QString lastLoadError() const { return m_lastLoadError; }

    QString movieFileName() const override { return m_fileName; }
    void trace(const QString& line) override;
    void openUrl(const QString& url, const QString& target, bool userInitiated) override;
    void fsCommand(const QString& command, const QString& arguments) override;
    // A path relative to the movie's folder ("/" or "\" between names). Refused: a URL with
    // a scheme, an absolute path, "..", anything that is not a regular file, a link that
    // leads outside the folder, a file above the cap.
    std::optional<QByteArray> loadFile(const QString& relativePath) override;

    // Where the movie's stored objects are kept: a folder per movie below this one (the
    // hash of its path names it). Without one, nothing is kept past the session.
    void setStoredObjectFolder(const QString& folder);
    std::optional<QByteArray> readStoredObject(const QString& name) override;
    bool writeStoredObject(const QString& name, const QByteArray& bytes) override;

private:
    QString storedObjectPath(const QString& name) const;

    QString m_folder;
    QString m_moviePath;
    QString m_storedObjectFolder;
    QString m_fileName;
    qint64 m_maxFileBytes;
    std::function<void(const QString&)> m_traceHandler;
    QList<UrlRequest> m_urlRequests;
    QList<FsCommand> m_fsCommands;
    QString m_lastLoadError;
};

// The relative path as names below the folder joined by "/", or empty when it names
// anything else (a scheme, an absolute path, "..", a drive letter, an empty name).
QString confinedRelativePath(const QString& relativePath);

} // namespace reelcase::swfhost
