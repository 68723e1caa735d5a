#include "support/temp_environment.h"

#include <QDir>
#include <QSettings>

namespace reelcase::test {

TempEnvironment::TempEnvironment()
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldData(qgetenv("XDG_DATA_HOME"))
    , m_oldHome(qgetenv("HOME")) {
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(home());
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    qputenv("HOME", home().toLocal8Bit());
    // QSettings resolves its folders once per process; point it here explicitly.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
}

TempEnvironment::~TempEnvironment() {
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
    qputenv("HOME", m_oldHome);
}

} // namespace reelcase::test
