#include "ClipboardMonitor.h"

#include "Pasteboard.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "platform/Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>

Q_LOGGING_CATEGORY(lcMonitor, "quillbox.monitor", QtInfoMsg)

namespace {

std::optional<QUrl> parseUrl(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    QUrl url(*text, QUrl::StrictMode);
    return url.isValid() ? std::optional(url) : std::nullopt;
}

// The text opens with "scheme://": a host can only follow that.
bool startsWithSchemeAndAuthority(const QString &text)
{
    const auto isSchemeCharacter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+'
            || c == u'-' || c == u'.';
    };
    if (text.isEmpty() || !text.front().isLetter() || text.front().unicode() > 0x7f)
        return false;
    // Registered schemes are short; a longer run of letters is ordinary text.
    constexpr qsizetype longestScheme = 64;
    qsizetype i = 1;
    while (i < text.size() && i <= longestScheme && isSchemeCharacter(text.at(i)))
        ++i;
    return QStringView(text).mid(i).startsWith(u"://");
}

bool hasSchemeAndHost(const QString &text)
{
    // Cheap tests first, which spare parsing a long text that cannot be a link: a host needs
    // "scheme://", and a strict URL holds no ASCII white space.
    if (!startsWithSchemeAndAuthority(text))
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && c.isSpace())
            return false;
    }
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
}

} // namespace

const QStringList ClipboardMonitor::imageExtensions = {
    QStringLiteral("png"),
    QStringLiteral("jpg"),
    QStringLiteral("jpeg"),
    QStringLiteral("gif"),
    QStringLiteral("heic"),
    QStringLiteral("webp"),
    QStringLiteral("tiff"),
    QStringLiteral("bmp"),
    QStringLiteral("ico"),
};

ClipboardMonitor::ClipboardMonitor(
    ModelContainer &container, Pasteboard &pasteboard, const Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_context(container.mainContext())
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_lastChangeCount(pasteboard.changeCount())
{
}

ClipboardMonitor::~ClipboardMonitor() = default;

void ClipboardMonitor::startMonitoring()
{
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(pollingIntervalMs);
    // A tick that finds a new change count queues the check rather than running it inside the
    // timer callback; an idle tick is a single comparison and costs no extra turn of the event loop.
    connect(m_timer.get(), &QTimer::timeout, this, [this] {
        if (m_pasteboard.changeCount() != m_lastChangeCount)
            QMetaObject::invokeMethod(this, &ClipboardMonitor::checkClipboard, Qt::QueuedConnection);
    });
    m_timer->start();
}

void ClipboardMonitor::stopMonitoring()
{
    m_timer.reset();
}

void ClipboardMonitor::pauseCapture()
{
    // A copy made just before the pause has not been polled yet; it is the user's and stays.
    checkClipboard();
    ++m_pauseDepth;
}

void ClipboardMonitor::resumeCapture()
{
    if (m_pauseDepth == 0 || --m_pauseDepth > 0)
        return;
    m_lastChangeCount = m_pasteboard.changeCount();
}

void ClipboardMonitor::checkClipboard()
{
    const qint64 changeCount = m_pasteboard.changeCount();
    if (changeCount == m_lastChangeCount || isCapturePaused())
        return;
    // A change is examined once, whatever comes of it.
    m_lastChangeCount = changeCount;

    const auto items = m_pasteboard.pasteboardItems();
    if (items.isEmpty())
        return;
    const PasteboardItem &item = items.first();
    if (item.isConcealed()) {
        qCDebug(lcMonitor) << "skipped a copy marked secret by a password manager";
        return;
    }

    const auto frontmost = m_workspace.frontmostApplication();
    const auto appName = frontmost ? frontmost->localizedName : std::nullopt;
    const auto bundleId = frontmost ? frontmost->bundleIdentifier : std::nullopt;
    const auto fileUrlText = item.string(PasteboardType::fileUrl);
    const auto fileUrl = parseUrl(fileUrlText);

    if (const auto &png = item.imagePng()) {
        QString label;
        if (fileUrl) {
            label = ClipboardItem::percentDecoded(fileUrl->path(QUrl::FullyEncoded)).value_or(fileUrl->fileName());
        } else if (const auto name = item.string(PasteboardType::urlName)) {
            label = *name;
        } else {
            label = QStringLiteral("Image (%1 KB)").arg(png->size() / 1024);
        }
        saveItem(label, ClipboardItemType::image, *png, appName, bundleId);
        return;
    }

    const auto link = item.string(PasteboardType::url);
    if (const auto url = parseUrl(link); url && !url->scheme().isEmpty()) {
        saveItem(*link, ClipboardItemType::url, std::nullopt, appName, bundleId);
        return;
    }

    if (fileUrl) {
        if (imageExtensions.contains(QFileInfo(fileUrl->path()).suffix().toLower())) {
            const QString path
                = ClipboardItem::percentDecoded(fileUrl->path(QUrl::FullyEncoded)).value_or(fileUrl->path());
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                saveItem(path, ClipboardItemType::image, file.readAll(), appName, bundleId);
                return;
            }
        }
        saveItem(*fileUrlText, ClipboardItemType::file, std::nullopt, appName, bundleId);
        return;
    }

    const auto text = item.string(PasteboardType::string);
    if (!text || text->isEmpty())
        return;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return;
    if (hasSchemeAndHost(trimmed))
        saveItem(trimmed, ClipboardItemType::url, std::nullopt, appName, bundleId);
    else
        saveItem(*text, ClipboardItemType::text, std::nullopt, appName, bundleId);
}

void ClipboardMonitor::saveItem(const QString &content, ClipboardItemType type,
    const std::optional<QByteArray> &imageData, const std::optional<QString> &appName,
    const std::optional<QString> &bundleId)
{
    const auto previous = m_context.newestItem(content, type);
    if (!previous) {
        auto item = ClipboardItem::create(content, type, imageData, appName, bundleId, false);
        item->setCategoryId(defaultCategoryId(type));
        m_context.insert(item);
        pruneOldItems();
        // One transaction for the new item and the pruned ones.
        m_context.save();
        return;
    }

    // A repeat: a fresh record at the top that keeps the old one's pin, category and image. Both
    // steps are saved together, so a failure in between cannot lose the copy.
    const bool wasPinned = previous->isPinned();
    const auto oldCategoryId = previous->categoryId();
    const auto oldImageData = imageData ? std::nullopt : previous->imageData();
    m_context.remove(previous);

    auto item
        = ClipboardItem::create(content, type, imageData ? imageData : oldImageData, appName, bundleId, wasPinned);
    item->setCategoryId(oldCategoryId ? oldCategoryId : defaultCategoryId(type));
    m_context.insert(item);
    m_context.save();
}

std::optional<QUuid> ClipboardMonitor::defaultCategoryId(ClipboardItemType type) const
{
    const QString name = defaultCategoryName(type);
    for (const auto &category : m_context.fetch<ClipCategory>()) {
        if (category->name() == name)
            return category->id();
    }
    return std::nullopt;
}

void ClipboardMonitor::pruneOldItems()
{
    const auto beyond = m_context.unpinnedItemsBeyond(maxUnpinnedItems);
    if (beyond.isEmpty())
        return;
    for (const auto &item : beyond)
        m_context.remove(item);
}
