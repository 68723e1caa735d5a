#include "support/temp_environment.h"

#include <QDir>
#include <QSettings>

namespace reelcase::test {

TempEnvironment::TempEnvironment()
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldData(qgetenv("XDG_DATA_HOME"))
    , m_oldHome(qgetenv("HOME"))
    , m_oldCache(qgetenv("XDG_CACHE_HOME")) {
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(home());
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    qputenv("HOME", home().toLocal8Bit());
    // The search looks for browser caches here; the user's own must stay out of tests.
    qunsetenv("XDG_CACHE_HOME");
    // QSettings resolves its folders once per process; point it here explicitly.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
}

TempEnvironment::~TempEnvironment() {
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
    qputenv("HOME", m_oldHome);
    if (m_oldCache.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", m_oldCache);
}

} // namespace reelcase::test
