#pragma once

#include "platform/settings_store.h"

#include <QSemaphore>

#include <mutex>

namespace reelcase::test {

// A settings store in memory. It can be told to refuse writes, or to hold the next write
// until released, standing in for a slow disk. Safe to use from any thread.
class FakeSettingsStore final : public SettingsStore {
public:
    QString favoritesFolder() const override;
    bool setFavoritesFolder(const QString& path, QString* error = nullptr) override;

    void setFailing(bool failing);
    // The next write blocks once it has begun until releaseWrite().
    void holdNextWrite();
    // Blocks until a held write has begun.
    void waitForHeldWrite();
    void releaseWrite();
    int writes() const;

private:
    mutable std::mutex m_mutex;
    QString m_folder;
    bool m_failing = false;
    bool m_holdNext = false;
    int m_writes = 0;
    QSemaphore m_held;
    QSemaphore m_released;
};

} // namespace reelcase::test
