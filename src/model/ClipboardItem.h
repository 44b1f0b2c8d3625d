#pragma once

#include "ClipboardItemType.h"
#include "Clock.h"
#include "ItemText.h"
#include "StoredRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

/// One entry of the clipboard history.
///
/// Image bytes are kept in memory only until the store has written them; after that `imageData()` reads
/// them from the store on demand, so a history of large images costs no memory.
class ClipboardItem final : public StoredRecord {
public:
    /// `characterCount`, when given, is countCharacters(content) worked out already (off the GUI
    /// thread for a large text). Without an `id` the item gets a new one; a record that takes the
    /// place of an earlier one keeps its id.
    ClipboardItem(const QString &content, ClipboardItemType type, const std::optional<QByteArray> &imageData,
        const std::optional<QString> &sourceAppName, const std::optional<QString> &sourceAppBundleId, bool isPinned,
        std::optional<int> characterCount = std::nullopt, const QDateTime &createdAt = Clock::system().now(),
        const std::optional<QUuid> &id = std::nullopt);

    static std::shared_ptr<ClipboardItem> create(const QString &content, ClipboardItemType type,
        const std::optional<QByteArray> &imageData = std::nullopt,
        const std::optional<QString> &sourceAppName = std::nullopt,
        const std::optional<QString> &sourceAppBundleId = std::nullopt, bool isPinned = false,
        std::optional<int> characterCount = std::nullopt, const QDateTime &createdAt = Clock::system().now(),
        const std::optional<QUuid> &id = std::nullopt);

    /// The same with the content in the form it is kept in, encoded already (off the GUI thread for a
    /// large copy).
    static std::shared_ptr<ClipboardItem> create(const ItemText &content, ClipboardItemType type,
        const std::optional<QByteArray> &imageData, const std::optional<QString> &sourceAppName,
        const std::optional<QString> &sourceAppBundleId, bool isPinned, int characterCount, const QDateTime &createdAt,
        const std::optional<QUuid> &id);

    RecordType recordType() const override { return RecordType::clipboardItem; }

    QString content() const { return m_text.toString(); }
    /// The content as kept in memory: what rows show and searches look in, without decoding it all.
    const ItemText &text() const { return m_text; }
    /// Does not recount characters: whoever edits the content sets `characterCount` too.
    void setContent(const QString &content);
    ClipboardItemType type() const { return m_type; }
    void setType(ClipboardItemType type);
    bool hasImageData() const { return m_hasImageData; }
    std::optional<QByteArray> imageData() const;
    /// imageData() for another thread, as the GUI thread must not wait on a large image: the bytes
    /// themselves while they are in memory, else a read of the store file through a connection of
    /// the reading thread's own.
    std::function<std::optional<QByteArray>()> imageDataLoader() const;
    /// The size of the image bytes and their first `maxBytes` (enough for an image header), without
    /// reading the rest into memory.
    std::optional<std::pair<qsizetype, QByteArray>> imageDataHead(int maxBytes) const;
    /// Clears the image digest: whoever sets new bytes sets their digest too.
    void setImageData(const std::optional<QByteArray> &imageData);
    /// The `ImageDigest` of the decoded image bytes, derived and kept with the record; absent until
    /// computed, and for bytes that do not decode.
    const std::optional<QByteArray> &imageDigest() const;
    void setImageDigest(const std::optional<QByteArray> &digest);
    const std::optional<QString> &sourceAppName() const { return m_source->appName; }
    void setSourceAppName(const std::optional<QString> &name);
    const std::optional<QString> &sourceAppBundleId() const { return m_source->appBundleId; }
    void setSourceAppBundleId(const std::optional<QString> &bundleId);
    bool isPinned() const { return m_isPinned; }
    void setPinned(bool pinned);
    const QDateTime &createdAt() const { return m_createdAt; }
    int characterCount() const { return m_characterCount; }
    void setCharacterCount(int count);
    const std::optional<QUuid> &categoryId() const { return m_categoryId; }
    void setCategoryId(const std::optional<QUuid> &categoryId);

    QString typeIcon() const;

    /// User-perceived characters (extended grapheme clusters).
    static int countCharacters(const QString &text);

    /// `text` with its %-escapes undone; nothing when a "%" lacks two hexadecimal digits or the
    /// escapes do not form UTF-8.
    static std::optional<QString> percentDecoded(const QString &text);
    /// The local path a file item names: every "file://" removed and the escapes undone, or left as
    /// they are when they do not decode.
    static QString filePath(const QString &content);
    /// The part after the last "/", trailing slashes ignored ("/" stays "/").
    static QString lastPathComponent(const QString &path);

    /// The program an item was copied from. A history names few programs: its items share these.
    struct Source {
        std::optional<QString> appName;
        std::optional<QString> appBundleId;
    };
    /// A source of its own, or the one shared by all items that name none.
    static std::shared_ptr<const Source> source(
        const std::optional<QString> &appName, const std::optional<QString> &appBundleId);

private:
    friend class ModelContainer;
    friend class ModelContext;

    struct Stored;
    // What only an image has, in a block of its own: a long history is mostly text.
    struct ImageState {
        std::optional<QByteArray> resident; // bytes not yet written to the store
        quint64 generation = 0; // bumped by every setImageData; 0: the bytes as loaded
        std::optional<QByteArray> digest;
    };
    const std::optional<QByteArray> &residentImageData() const;
    quint64 imageDataGeneration() const { return m_image ? m_image->generation : 0; }
    /// Made when first needed.
    ImageState &imageState();

public:
    /// For the store, which alone can name `Stored`: public so that the record and its reference count
    /// are made in one allocation.
    explicit ClipboardItem(Stored &&stored);

private:
    // First, together: the fields a filter of the whole history reads (the flags fill the record's padding).
    bool m_hasImageData = false;
    bool m_isPinned = false;
    ClipboardItemType m_type;
    ItemText m_text;
    std::shared_ptr<const Source> m_source; // never null
    std::optional<QUuid> m_categoryId;
    int m_characterCount = 0;
    QDateTime m_createdAt;
    struct IndexKeys {
        size_t content = 0;
        bool isUnpinned = false;
        ClipboardItem *nextSameContent = nullptr; // in the context's chain of this content key
    };
    IndexKeys m_indexKeys; // where the context's capture indexes filed the item
    std::unique_ptr<ImageState> m_image;
};

/// The fields of a stored row, for the store to rebuild a record.
struct ClipboardItem::Stored {
    QUuid id;
    ItemText content;
    ClipboardItemType type;
    bool hasImageData;
    std::optional<QByteArray> imageDigest;
    std::shared_ptr<const Source> source; // never null: source() makes it
    bool isPinned;
    QDateTime createdAt;
    int characterCount;
    std::optional<QUuid> categoryId;
};
