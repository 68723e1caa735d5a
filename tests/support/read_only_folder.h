#pragma once

#include <QString>

namespace reelcase::test {

// Makes a folder refuse new entries for as long as the object lives, for root too (which
// permissions alone do not stop: the folder is then marked immutable). isReadOnly() is
// false when neither works here; the caller skips then.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool isReadOnly() const { return m_readOnly; }

private:
    bool refusesNewFiles() const;
    bool setImmutable(bool on) const;

    QString m_path;
    bool m_immutable = false;
    bool m_readOnly = false;
};

} // namespace reelcase::test
