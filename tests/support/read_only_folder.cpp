#include "support/read_only_folder.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace reelcase::test {

ReadOnlyFolder::ReadOnlyFolder(const QString& path)
    : m_path(path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    if (!refusesNewFiles())
        m_immutable = setImmutable(true);
    m_readOnly = refusesNewFiles();
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_immutable)
        setImmutable(false);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ReadOnlyFolder::refusesNewFiles() const {
    QFile probe(m_path + QStringLiteral("/.probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.remove();
    return false;
}

bool ReadOnlyFolder::setImmutable(bool on) const {
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace reelcase::test
