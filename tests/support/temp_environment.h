#pragma once

#include <QString>
#include <QTemporaryDir>

namespace reelcase::test {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and HOME at fresh temporary folders for the
// lifetime of the object (XDG_CACHE_HOME unset, so caches lie under that HOME), so
// settings, data and cache folders never touch the real ones.
// Restores the previous values when destroyed.
class TempEnvironment {
public:
    TempEnvironment();
    ~TempEnvironment();

    QString root() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
    QString home() const { return m_dir.path() + QStringLiteral("/home"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig, m_oldData, m_oldHome, m_oldCache;
};

} // namespace reelcase::test
