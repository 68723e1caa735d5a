#include "caches/chromium_blockfile_cache.h"

#include "caches/byte_view.h"
#include "caches/chromium_response_info.h"
#include "caches/folder_listing.h"

#include <QHash>
#include <QSet>

namespace reelcase {

namespace {

constexpr quint32 kIndexMagic = 0xC103CAC3;
constexpr quint32 kBlockFileMagic = 0xC104CAC3;
constexpr qint64 kIndexHeaderBytes = 368;
constexpr qint64 kBlockFileHeaderBytes = 8192;
constexpr qint64 kDefaultTableCells = 0x10000;
constexpr qint64 kMaxTableCells = qint64(1) << 22;
constexpr qsizetype kMaxEntries = 1000000;
constexpr qint64 kMaxKeyBytes = 64 * 1024;
constexpr qint64 kMaxStream0Bytes = 1024 * 1024;
constexpr qint64 kEntryBlockBytes = 256;
constexpr qint64 kHeadRead = 4096;

enum FileType { kSeparateFile = 0, kBlock256 = 2, kBlock1K = 3, kBlock4K = 4 };

// A cache address: initialized bit, file type, then either a separate file's number or
// a block file's selector, block count (1 to 4) and first block.
struct Address {
    quint32 value = 0;
    bool initialized() const { return value & 0x80000000u; }
    int fileType() const { return int((value >> 28) & 7); }
    int blockCount() const { return int((value >> 24) & 3) + 1; }
    int selector() const { return int((value >> 16) & 0xFF); }
    int firstBlock() const { return int(value & 0xFFFF); }
    int fileNumber() const { return int(value & 0x0FFFFFFF); }
};

qint64 blockBytes(int fileType) {
    switch (fileType) {
    case kBlock256:
        return 256;
    case kBlock1K:
        return 1024;
    case kBlock4K:
        return 4096;
    default:
        return 0;
    }
}

// Opens the cache's files on demand and turns addresses into byte ranges.
class CacheFiles {
public:
    explicit CacheFiles(const QString& folder)
        : m_path(folder)
        , m_folder(folder) {}
    bool isOpen() const { return m_folder.isOpen(); }
    int folderFd() const { return m_folder.fd(); }

    // The range that address names, length bytes long; empty when it lies outside its file.
    std::optional<StoredBody> locate(Address address, qint64 length) {
        if (!address.initialized() || length < 0)
            return std::nullopt;
        if (address.fileType() == kSeparateFile) {
            const QByteArray name =
                QByteArray("f_") +
                QByteArray::number(address.fileNumber(), 16).rightJustified(6, '0');
            auto file = ReadOnlyFile::openAt(m_folder.fd(), name.constData());
            if (!file)
                return std::nullopt;
            m_lastName = name;
            return StoredBody{
                std::make_shared<const ReadOnlyFile>(std::move(*file)), 0, length, {}};
        }
        const qint64 block = blockBytes(address.fileType());
        auto file = blockFile(address.selector(), block);
        const qint64 offset = kBlockFileHeaderBytes + address.firstBlock() * block;
        if (!file || length > address.blockCount() * block || offset + length > file->size())
            return std::nullopt;
        m_lastName = "data_" + QByteArray::number(address.selector());
        return StoredBody{file, offset, length, {}};
    }

    // The path of the file that the last successful locate() pointed into.
    QString lastPath() const { return m_path + QLatin1Char('/') + QString::fromLatin1(m_lastName); }

    QByteArray read(Address address, qint64 length) {
        const auto range = locate(address, length);
        return range ? range->file->read(range->offset, range->length) : QByteArray();
    }

private:
    // data_<selector>, when its header is that of a block file of block-sized entries.
    std::shared_ptr<const ReadOnlyFile> blockFile(int selector, qint64 block) {
        if (block == 0)
            return nullptr;
        const auto known = m_blockFiles.constFind(selector);
        if (known != m_blockFiles.constEnd())
            return *known;
        std::shared_ptr<const ReadOnlyFile> opened;
        const QByteArray name = "data_" + QByteArray::number(selector);
        if (auto file = ReadOnlyFile::openAt(m_folder.fd(), name.constData())) {
            const QByteArray header = file->read(0, 16);
            const ByteView bytes(header);
            if (bytes.le32(0) == kBlockFileMagic && bytes.le32(12) == block)
                opened = std::make_shared<const ReadOnlyFile>(std::move(*file));
        }
        m_blockFiles.insert(selector, opened);
        return opened;
    }

    QString m_path;
    OpenFolder m_folder;
    QHash<int, std::shared_ptr<const ReadOnlyFile>> m_blockFiles;
    QByteArray m_lastName;
};

// One entry record: its next address in the hash chain, and the entry when it is a
// normal (not evicted, not doomed, not sparse) one.
struct EntryRecord {
    Address next;
    std::optional<ParsedEntry> entry;
};

std::optional<EntryRecord> readEntryRecord(CacheFiles& files, Address address) {
    const QByteArray bytes = files.read(address, address.blockCount() * kEntryBlockBytes);
    const ByteView store(bytes);
    const auto next = store.le32(4);
    const auto state = store.le32(20);
    const auto created = store.le64s(24);
    const auto keyLength = store.le32s(32);
    const auto longKey = store.le32(36);
    const auto stream0Size = store.le32s(40);
    const auto bodySize = store.le32s(44);
    const auto stream0Address = store.le32(56);
    const auto bodyAddress = store.le32(60);
    const auto flags = store.le32(72);
    if (!flags)
        return std::nullopt;
    EntryRecord record{Address{*next}, std::nullopt};
    // State 0 is a normal entry; flags 1 and 2 mark the parent and children of sparse data.
    constexpr quint32 kSparseFlags = 3;
    if (*state != 0 || (*flags & kSparseFlags) || *keyLength < 0 || *keyLength > kMaxKeyBytes ||
        *stream0Size < 0 || *stream0Size > kMaxStream0Bytes || *bodySize < 0)
        return record;
    constexpr qint64 kInlineKeyAt = 96;
    const QByteArray key = Address{*longKey}.initialized()
                               ? files.read(Address{*longKey}, *keyLength)
                               : bytes.mid(kInlineKeyAt, *keyLength);
    if (key.size() != *keyLength)
        return record;
    auto body = files.locate(Address{*bodyAddress}, *bodySize);
    if (!body)
        return record;
    ParsedEntry entry;
    entry.source = files.lastPath();
    entry.url = urlFromCacheKey(key);
    if (const auto info =
            parseChromiumResponseInfo(files.read(Address{*stream0Address}, *stream0Size))) {
        entry.head = info->head;
        entry.cached = info->responseTime;
        entry.markedTruncated = info->truncated;
    }
    if (!entry.cached.isValid())
        entry.cached = fromChromiumTime(*created);
    body->start = body->file->read(body->offset, std::min(body->length, kHeadRead));
    entry.body = std::move(*body);
    record.entry = std::move(entry);
    return record;
}

} // namespace

bool isBlockfileIndex(QByteArrayView bytes) {
    return ByteView(bytes).le32(0) == kIndexMagic;
}

bool readBlockfileCache(const QString& folder, const std::function<void(ParsedEntry&&)>& onEntry,
                        const std::atomic_bool* cancel) {
    CacheFiles files(folder);
    const auto index = ReadOnlyFile::openAt(files.folderFd(), "index");
    if (!files.isOpen() || !index)
        return false;
    const QByteArray header = index->read(0, kIndexHeaderBytes);
    const ByteView headerBytes(header);
    const auto version = headerBytes.le32(4);
    const auto cells = headerBytes.le32s(28);
    if (!isBlockfileIndex(header) || header.size() < kIndexHeaderBytes || !version ||
        (*version >> 16) < 2 || (*version >> 16) > 3 || !cells)
        return false;
    const qint64 tableCells =
        *cells > 0 ? std::min<qint64>(*cells, kMaxTableCells) : kDefaultTableCells;
    const QByteArray table = index->read(kIndexHeaderBytes, tableCells * 4);
    const ByteView tableBytes(table);

    QSet<quint32> visited;
    for (qint64 cell = 0; cell * 4 + 4 <= table.size(); ++cell) {
        Address address{*tableBytes.le32(cell * 4)};
        // Entries live in 256-byte blocks; a chain that loops or leaves them ends here.
        while (address.initialized() && address.fileType() == kBlock256 &&
               !visited.contains(address.value) && visited.size() < kMaxEntries) {
            if (cancel && cancel->load(std::memory_order_relaxed))
                return true;
            visited.insert(address.value);
            auto record = readEntryRecord(files, address);
            if (!record)
                break;
            if (record->entry)
                onEntry(std::move(*record->entry));
            address = record->next;
        }
    }
    return true;
}

} // namespace reelcase
