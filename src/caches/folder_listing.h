#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace reelcase {

// One name in a folder, with its type as the listing reports it.
struct FolderEntry {
    enum class Type : unsigned char { File, Folder, Other };
    QByteArray name; // as stored on disk (not decoded)
    Type type = Type::Other;
};

// An open folder that is listed without following symlinks: a link is reported as Other,
// so a symlink loop can never lead the walk in circles. Listing stops after maxEntries
// names, which bounds the time spent in a folder of any size.
class OpenFolder {
public:
    // Opens the folder at path; a symlink there is followed, as the path was chosen by the
    // user or the program.
    explicit OpenFolder(const QString& path);
    // Opens name inside parent; a symlink there is not followed.
    OpenFolder(const OpenFolder& parent, const QByteArray& name);
    OpenFolder(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // The folder's entries except "." and "..", in listing order (unsorted); empty when it
    // cannot be read. With a suffix, only names ending in it (ASCII letter case ignored)
    // are kept; maxEntries counts every name looked at.
    std::vector<FolderEntry> list(size_t maxEntries, QByteArrayView suffix = {}) const;
    // Whether name inside this folder is a folder (a symlink is not).
    bool hasFolder(const char* name) const;
    bool hasFile(const char* name) const;

private:
    int m_fd = -1;
};

} // namespace reelcase
