#include "support/fake_settings_store.h"

#include <utility>

namespace reelcase::test {

QString FakeSettingsStore::favoritesFolder() const {
    const std::lock_guard lock(m_mutex);
    return m_folder;
}

bool FakeSettingsStore::setFavoritesFolder(const QString& path, QString* error) {
    bool hold = false;
    {
        const std::lock_guard lock(m_mutex);
        hold = std::exchange(m_holdNext, false);
    }
    if (hold) {
        m_held.release();
        m_released.acquire();
    }
    const std::lock_guard lock(m_mutex);
    ++m_writes;
    if (m_failing) {
        if (error)
            *error = QStringLiteral("测试中的设置无法写入");
        return false;
    }
    m_folder = path;
    return true;
}

void FakeSettingsStore::setFailing(bool failing) {
    const std::lock_guard lock(m_mutex);
    m_failing = failing;
}

void FakeSettingsStore::holdNextWrite() {
    const std::lock_guard lock(m_mutex);
    m_holdNext = true;
}

void FakeSettingsStore::waitForHeldWrite() {
    m_held.acquire();
}

void FakeSettingsStore::releaseWrite() {
    m_released.release();
}

int FakeSettingsStore::writes() const {
    const std::lock_guard lock(m_mutex);
    return m_writes;
}

} // namespace reelcase::test
