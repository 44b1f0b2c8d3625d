#include "ClipboardItem.h"

#include "ModelContext.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <QUrl>

namespace {

// What a text item, which has no image block, answers for its image's bytes and digest.
const std::optional<QByteArray> noBytes;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

ClipboardItem::ClipboardItem(const QString &content, ClipboardItemType type, const std::optional<QByteArray> &imageData,
    const std::optional<QString> &sourceAppName, const std::optional<QString> &sourceAppBundleId, bool isPinned,
    std::optional<int> characterCount, const QDateTime &createdAt, const std::optional<QUuid> &id)
    : StoredRecord(id ? *id : QUuid::createUuid())
    , m_hasImageData(imageData.has_value())
    , m_isPinned(isPinned)
    , m_type(type)
    , m_text(content)
    , m_source(source(sourceAppName, sourceAppBundleId))
    , m_characterCount(characterCount ? *characterCount : countCharacters(content))
    , m_createdAt(createdAt)
{
    if (imageData)
        imageState().resident = imageData;
}

ClipboardItem::ClipboardItem(Stored &&stored)
    : StoredRecord(stored.id)
    , m_hasImageData(stored.hasImageData)
    , m_isPinned(stored.isPinned)
    , m_type(stored.type)
    , m_text(std::move(stored.content))
    , m_source(std::move(stored.source))
    , m_categoryId(stored.categoryId)
    , m_characterCount(stored.characterCount)
    , m_createdAt(stored.createdAt)
{
    if (stored.imageDigest)
        imageState().digest = std::move(stored.imageDigest);
}

std::shared_ptr<ClipboardItem> ClipboardItem::create(const QString &content, ClipboardItemType type,
    const std::optional<QByteArray> &imageData, const std::optional<QString> &sourceAppName,
    const std::optional<QString> &sourceAppBundleId, bool isPinned, std::optional<int> characterCount,
    const QDateTime &createdAt, const std::optional<QUuid> &id)
{
    return std::make_shared<ClipboardItem>(
        content, type, imageData, sourceAppName, sourceAppBundleId, isPinned, characterCount, createdAt, id);
}

std::shared_ptr<ClipboardItem> ClipboardItem::create(const ItemText &content, ClipboardItemType type,
    const std::optional<QByteArray> &imageData, const std::optional<QString> &sourceAppName,
    const std::optional<QString> &sourceAppBundleId, bool isPinned, int characterCount, const QDateTime &createdAt,
    const std::optional<QUuid> &id)
{
    auto item
        = std::make_shared<ClipboardItem>(Stored{id ? *id : QUuid::createUuid(), content, type, imageData.has_value(),
            std::nullopt, source(sourceAppName, sourceAppBundleId), isPinned, createdAt, characterCount, std::nullopt});
    if (imageData)
        item->imageState().resident = imageData;
    return item;
}

void ClipboardItem::setContent(const QString &content)
{
    m_text = ItemText(content);
    didChange();
}

void ClipboardItem::setType(ClipboardItemType type)
{
    m_type = type;
    didChange();
}

std::optional<QByteArray> ClipboardItem::imageData() const
{
    if (!m_hasImageData)
        return std::nullopt;
    if (const auto &resident = residentImageData())
        return resident;
    if (modelContext())
        return modelContext()->storedImageData(*this);
    return std::nullopt;
}

std::function<std::optional<QByteArray>()> ClipboardItem::imageDataLoader() const
{
    if (m_hasImageData && residentImageData())
        return [bytes = residentImageData()] { return bytes; };
    if (m_hasImageData && modelContext())
        return modelContext()->storedImageDataLoader(*this);
    return [] { return std::optional<QByteArray>(); };
}

std::optional<std::pair<qsizetype, QByteArray>> ClipboardItem::imageDataHead(int maxBytes) const
{
    if (!m_hasImageData)
        return std::nullopt;
    if (const auto &resident = residentImageData())
        return std::pair(resident->size(), resident->left(maxBytes));
    if (modelContext())
        return modelContext()->storedImageDataHead(*this, maxBytes);
    return std::nullopt;
}

void ClipboardItem::setImageData(const std::optional<QByteArray> &imageData)
{
    m_hasImageData = imageData.has_value();
    ImageState &image = imageState();
    image.resident = imageData;
    ++image.generation;
    image.digest.reset();
    didChange();
}

const std::optional<QByteArray> &ClipboardItem::imageDigest() const
{
    return m_image ? m_image->digest : noBytes;
}

void ClipboardItem::setImageDigest(const std::optional<QByteArray> &digest)
{
    if (digest || m_image)
        imageState().digest = digest;
    didChange();
}

const std::optional<QByteArray> &ClipboardItem::residentImageData() const
{
    return m_image ? m_image->resident : noBytes;
}

ClipboardItem::ImageState &ClipboardItem::imageState()
{
    if (!m_image)
        m_image = std::make_unique<ImageState>();
    return *m_image;
}

std::shared_ptr<const ClipboardItem::Source> ClipboardItem::source(
    const std::optional<QString> &appName, const std::optional<QString> &appBundleId)
{
    static const auto none = std::make_shared<const Source>();
    if (!appName && !appBundleId)
        return none;
    return std::make_shared<const Source>(Source{appName, appBundleId});
}

void ClipboardItem::setSourceAppName(const std::optional<QString> &name)
{
    m_source = source(name, m_source->appBundleId);
    didChange();
}

void ClipboardItem::setSourceAppBundleId(const std::optional<QString> &bundleId)
{
    m_source = source(m_source->appName, bundleId);
    didChange();
}

void ClipboardItem::setPinned(bool pinned)
{
    m_isPinned = pinned;
    didChange();
}

void ClipboardItem::setCharacterCount(int count)
{
    m_characterCount = count;
    didChange();
}

void ClipboardItem::setCategoryId(const std::optional<QUuid> &categoryId)
{
    m_categoryId = categoryId;
    didChange();
}

QString ClipboardItem::typeIcon() const
{
    return ::typeIcon(m_type);
}

int ClipboardItem::countCharacters(const QString &text)
{
    // Below U+0300 nothing combines, so each code unit is one character except CR LF; this keeps
    // counting a huge plain-text copy cheap.
    const auto *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    char16_t bits = 0;
    for (qsizetype i = 0; i < size; ++i)
        bits |= units[i];
    if (bits < 0x300) {
        qsizetype crlf = 0;
        for (qsizetype i = text.indexOf(u'\r'); i >= 0 && i + 1 < size; i = text.indexOf(u'\r', i + 1))
            crlf += units[i + 1] == u'\n';
        return int(size - crlf);
    }

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

std::optional<QString> ClipboardItem::percentDecoded(const QString &text)
{
    const QByteArray encoded = text.toUtf8();
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded.at(i) == '%'
            && (i + 2 >= encoded.size() || !isHexDigit(encoded.at(i + 1)) || !isHexDigit(encoded.at(i + 2))))
            return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(QByteArray::fromPercentEncoding(encoded));
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

QString ClipboardItem::filePath(const QString &content)
{
    const QString stripped = QString(content).remove(QStringLiteral("file://"));
    return percentDecoded(stripped).value_or(stripped);
}

QString ClipboardItem::lastPathComponent(const QString &path)
{
    QString stripped = path;
    while (stripped.size() > 1 && stripped.endsWith(QLatin1Char('/')))
        stripped.chop(1);
    if (stripped == QLatin1String("/"))
        return stripped;
    return stripped.mid(stripped.lastIndexOf(QLatin1Char('/')) + 1);
}
