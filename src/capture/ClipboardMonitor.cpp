#include "ClipboardMonitor.h"

#include "PasteboardWriter.h"
#include "Workspace.h"
#include "model/HistoryLimit.h"
#include "model/ImageDigest.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

#include <limits>

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

/// What one change will store, worked out from the clipboard's content alone, so that it can run on
/// any thread.
struct ClipboardMonitor::Result {
    ItemText text; // encoded here: for a large copy that takes a while
    ClipboardItemType type;
    std::optional<QByteArray> imageData;
    std::optional<QByteArray> imageDigest;
    int characterCount = 0;
};

struct ClipboardMonitor::Capture {
    PasteboardItem item;
    CaptureRules rules;
    std::optional<QString> appName;
    std::optional<QString> bundleId;
    /// The clipboard change it was taken from; none for text handed in.
    std::optional<qint64> changeCount;
    /// Quillbox's own write (a paste), not a copy the person made.
    bool isOwn = false;
    bool isReady = false;
    std::optional<Result> result; // nothing to store
    std::vector<CaptureDone> done;
};

namespace {

// Reads an image file named by a copy. Only a regular file of a sane size is read (a named pipe
// would never end, a link to a device never stop), and it is an image only if its bytes decode.
std::optional<std::pair<QByteArray, QByteArray>> readImageFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > ClipboardMonitor::maxImageFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(ClipboardMonitor::maxImageFileBytes + 1);
    if (bytes.size() > ClipboardMonitor::maxImageFileBytes)
        return std::nullopt;
    const auto digest = ImageDigest::ofEncoded(bytes);
    if (!digest)
        return std::nullopt;
    return std::pair(bytes, *digest);
}

bool needsWorker(const PasteboardItem &item)
{
    // A file is read from disk, where any name may be a pipe or a slow mount.
    if (item.string(PasteboardType::fileUrl))
        return true;
    qsizetype bytes = 0;
    for (const QByteArray &data : item.formats())
        bytes += data.size();
    // An image without its digest is decoded to get one.
    if (item.imagePng() && !item.imageDigest())
        bytes += item.imagePng()->size();
    return bytes > ClipboardMonitor::largeCopyBytes;
}

} // namespace

// The classification of one copy: image, then web link, then file, then text; what the person does
// not keep is left out first.
std::optional<ClipboardMonitor::Result> ClipboardMonitor::prepare(const PasteboardItem &item, const CaptureRules &rules)
{
    qint64 bytes = item.imagePng() ? item.imagePng()->size() : 0;
    for (const QByteArray &data : item.formats())
        bytes += data.size();
    if (bytes > rules.largestItemBytes) {
        qCInfo(lcMonitor).nospace() << "skipped a copy of " << bytes / (1024 * 1024)
                                    << " MB: larger than the largest item kept, "
                                    << rules.largestItemBytes / (1024 * 1024) << " MB";
        return std::nullopt;
    }

    const auto make = [](const QString &content, ClipboardItemType type, std::optional<QByteArray> imageData = {},
                          std::optional<QByteArray> digest = {}) {
        return Result{
            ItemText(content), type, std::move(imageData), std::move(digest), ClipboardItem::countCharacters(content)};
    };
    const auto fileUrlText = item.string(PasteboardType::fileUrl);
    const auto fileUrl = parseUrl(fileUrlText);
    // A file copy also offers its path as text, which is the file all the same.
    if (fileUrl && !rules.files)
        return std::nullopt;

    if (const auto &png = rules.images ? item.imagePng() : std::nullopt) {
        QString label;
        if (fileUrl) {
            label = ClipboardItem::percentDecoded(fileUrl->path(QUrl::FullyEncoded)).value_or(fileUrl->fileName());
        } else if (const auto name = item.string(PasteboardType::urlName)) {
            label = *name;
        } else {
            label = QStringLiteral("Image (%1 KB)").arg(png->size() / 1024);
        }
        auto digest = item.imageDigest() ? item.imageDigest() : ImageDigest::ofEncoded(*png);
        return make(label, ClipboardItemType::image, *png, std::move(digest));
    }

    const auto link = item.string(PasteboardType::url);
    if (const auto url = parseUrl(link); url && !url->scheme().isEmpty())
        return make(*link, ClipboardItemType::url);

    if (fileUrl) {
        if (rules.images && ClipboardMonitor::imageExtensions.contains(QFileInfo(fileUrl->path()).suffix().toLower())) {
            const QString path
                = ClipboardItem::percentDecoded(fileUrl->path(QUrl::FullyEncoded)).value_or(fileUrl->path());
            if (auto image = readImageFile(path))
                return make(path, ClipboardItemType::image, std::move(image->first), std::move(image->second));
        }
        return make(*fileUrlText, ClipboardItemType::file);
    }

    const auto text = item.string(PasteboardType::string);
    if (!text || text->isEmpty())
        return std::nullopt;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (hasSchemeAndHost(trimmed))
        return make(trimmed, ClipboardItemType::url);
    return make(*text, ClipboardItemType::text);
}

ClipboardMonitor::ClipboardMonitor(
    ModelContainer &container, Pasteboard &pasteboard, const Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_context(container.mainContext())
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_lastChangeCount(pasteboard.changeCount())
{
    m_worker.setMaxThreadCount(1);
}

ClipboardMonitor::~ClipboardMonitor()
{
    stopMonitoring();
    finishCaptures();
}

void ClipboardMonitor::startMonitoring()
{
    m_isMonitoring = true;
    m_pasteboardConnection = connect(&m_pasteboard, &Pasteboard::changed, this, &ClipboardMonitor::pasteboardChanged);
}

void ClipboardMonitor::stopMonitoring()
{
    if (!m_isMonitoring)
        return;
    m_isMonitoring = false;
    disconnect(m_pasteboardConnection);
    // What was taken is the person's: a large copy still on the worker, text handed in and answered
    // for once stored. Stopping comes before the last save, which then writes them too.
    finishCaptures();
    settleWaiters(std::numeric_limits<qint64>::max(), nullptr);
}

void ClipboardMonitor::finishCaptures()
{
    m_worker.waitForDone();
    // The worker's results wait in this object's event queue.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ClipboardMonitor::pasteboardChanged(Pasteboard::Change change)
{
    switch (change) {
    case Pasteboard::Change::own:
        // Our own write reports its clear; the content follows within this turn of the event loop.
        m_ownChangeCount = m_pasteboard.changeCount();
        QMetaObject::invokeMethod(this, &ClipboardMonitor::checkClipboard, Qt::QueuedConnection);
        return;
    case Pasteboard::Change::foreign:
        // Each snapshot is taken as it arrives: the next one may replace it within the same turn.
        checkClipboard();
        return;
    case Pasteboard::Change::abandoned:
        checkClipboard();
        if (isCapturePaused())
            return;
        // A copy still being prepared is newer than the newest stored item.
        m_takeOverWhenStored = true;
        storeReadyCaptures();
        return;
    }
}

void ClipboardMonitor::pauseCapture()
{
    // A copy made just before the pause has not been taken yet; it is the user's and stays.
    checkClipboard();
    ++m_pauseDepth;
    m_pasteboard.setReadsForeignCopies(true);
}

void ClipboardMonitor::resumeCapture()
{
    if (m_pauseDepth == 0 || --m_pauseDepth > 0)
        return;
    m_pasteboard.setReadsForeignCopies(!m_historyPaused);
    passOverChangesSincePause();
}

void ClipboardMonitor::setHistoryPaused(bool paused)
{
    if (paused == m_historyPaused)
        return;
    if (paused)
        checkClipboard();
    m_historyPaused = paused;
    m_pasteboard.setReadsForeignCopies(!paused || m_pauseDepth > 0);
    if (!paused && m_pauseDepth == 0)
        passOverChangesSincePause();
}

void ClipboardMonitor::passOverChangesSincePause()
{
    m_lastChangeCount = m_pasteboard.changeCount();
    settleWaiters(m_lastChangeCount, nullptr);
}

void ClipboardMonitor::checkClipboard()
{
    const qint64 changeCount = m_pasteboard.changeCount();
    if (changeCount == m_lastChangeCount || isCapturePaused())
        return;
    // A change is examined once, whatever comes of it.
    m_lastChangeCount = changeCount;
    const auto capture = captureOf(changeCount);
    settleWaiters(changeCount, capture.get());
    if (capture)
        take(capture);
}

std::shared_ptr<ClipboardMonitor::Capture> ClipboardMonitor::captureOf(qint64 changeCount) const
{
    const auto items = m_pasteboard.pasteboardItems();
    if (items.isEmpty())
        return nullptr;
    const PasteboardItem &item = items.first();
    if (item.isConcealed()) {
        qCDebug(lcMonitor) << "skipped a copy marked secret, or made by a program never recorded";
        return nullptr;
    }
    if (m_captures.size() >= size_t(maxPendingCaptures)) {
        qCWarning(lcMonitor) << "dropped a large copy: the" << m_captures.size() << "before it are still being read";
        return nullptr;
    }

    // The application in front now is the one the copy came from.
    const auto frontmost = m_workspace.frontmostApplication();
    auto capture = std::make_shared<Capture>();
    capture->item = item;
    capture->rules = m_rules;
    capture->appName = frontmost ? frontmost->localizedName : std::nullopt;
    capture->bundleId = frontmost ? frontmost->bundleIdentifier : std::nullopt;
    capture->changeCount = changeCount;
    capture->isOwn = changeCount == m_ownChangeCount;
    return capture;
}

void ClipboardMonitor::take(const std::shared_ptr<Capture> &capture)
{
    m_captures.push_back(capture);
    const PasteboardItem &item = capture->item;
    if (!needsWorker(item)) {
        capture->result = prepare(item, capture->rules);
        capture->isReady = true;
        storeReadyCaptures();
        return;
    }
    m_worker.start([this, capture, item, rules = capture->rules] {
        auto result = prepare(item, rules);
        QMetaObject::invokeMethod(
            this,
            [this, capture, result = std::move(result)]() mutable {
                capture->result = std::move(result);
                capture->isReady = true;
                storeReadyCaptures();
            },
            Qt::QueuedConnection);
    });
}

void ClipboardMonitor::settleWaiters(qint64 changeCount, Capture *capture)
{
    auto waiters = std::move(m_changeWaiters);
    m_changeWaiters.clear();
    for (auto &[count, done] : waiters) {
        if (count > changeCount)
            m_changeWaiters.emplace_back(count, std::move(done));
        else if (capture && capture->changeCount == count)
            capture->done.push_back(std::move(done));
        else
            done(nullptr);
    }
}

void ClipboardMonitor::captureText(const QByteArray &utf8, CaptureDone done)
{
    auto capture = std::make_shared<Capture>();
    capture->item = PasteboardItem(MimeFormats{{QStringLiteral("text/plain;charset=utf-8"), utf8}});
    capture->done.push_back(std::move(done));
    take(capture);
}

void ClipboardMonitor::whenCurrentChangeCaptured(CaptureDone done)
{
    const qint64 changeCount = m_pasteboard.changeCount();
    if (!m_isMonitoring || isCapturePaused()) {
        done(nullptr);
        return;
    }
    for (const auto &capture : m_captures) {
        if (capture->changeCount == changeCount) {
            capture->done.push_back(std::move(done));
            return;
        }
    }
    if (changeCount == m_lastChangeCount) {
        // Taken care of already: stored as the newest item, or nothing.
        done(nullptr);
        return;
    }
    m_changeWaiters.emplace_back(changeCount, std::move(done));
}

void ClipboardMonitor::storeReadyCaptures()
{
    while (!m_captures.empty() && m_captures.front()->isReady) {
        const std::shared_ptr<Capture> capture = m_captures.front();
        m_captures.pop_front();
        std::shared_ptr<ClipboardItem> stored;
        if (capture->result) {
            saveItem(*capture->result, *capture);
            stored = m_lastStored.lock();
        }
        for (const auto &done : capture->done)
            done(stored);
        emit captureFinished();
    }
    if (m_captures.empty() && std::exchange(m_takeOverWhenStored, false))
        takeOverAbandonedClipboard();
}

// The clipboard was emptied because its owner exited: the newest item takes its place, as on desktops
// whose clipboard outlives the program that copied. Our write is not a copy to record.
void ClipboardMonitor::takeOverAbandonedClipboard()
{
    const auto item = m_lastStored.lock();
    if (!item || !item->modelContext() || m_pasteboard.changeCount() != m_lastChangeCount)
        return;
    PasteboardWriter::copyToPasteboard(*item, m_pasteboard);
    m_lastChangeCount = m_pasteboard.changeCount();
    qCDebug(lcMonitor) << "kept the clipboard after its owner went away";
}

void ClipboardMonitor::saveItem(const Result &result, const Capture &capture)
{
    // Images are the same item when they are the same picture, whatever their labels.
    const auto previous = result.type == ClipboardItemType::image
        ? (result.imageDigest ? m_context.newestImage(*result.imageDigest) : nullptr)
        : m_context.newestItem(result.text, result.type);
    const auto create = [&](const std::optional<QByteArray> &imageData, bool isPinned, std::optional<QUuid> id) {
        auto item = ClipboardItem::create(result.text, result.type, imageData, capture.appName, capture.bundleId,
            isPinned, result.characterCount, m_context.clock().now(), id);
        item->setImageDigest(result.imageDigest);
        return item;
    };
    if (!previous) {
        auto item = create(result.imageData, false, std::nullopt);
        item->setCategoryId(defaultCategoryId(result.type));
        m_context.insert(item);
        m_lastStored = item;
        pruneOldItems();
        // One transaction for the new item and the pruned ones.
        m_context.save();
        if (!capture.isOwn)
            emit copyCaptured();
        return;
    }

    // A repeat: a fresh record at the top that keeps the old one's id, pin, category and image. The
    // id stays valid for whoever was handed it (the command line prints it); the store writes the
    // deletion before the insertion. Both steps are saved together, so a failure in between cannot
    // lose the copy.
    const bool wasPinned = previous->isPinned();
    const auto oldCategoryId = previous->categoryId();
    const auto oldImageData = result.imageData ? std::nullopt : previous->imageData();
    m_context.remove(previous);

    auto item = create(result.imageData ? result.imageData : oldImageData, wasPinned, previous->id());
    item->setCategoryId(oldCategoryId ? oldCategoryId : defaultCategoryId(result.type));
    m_context.insert(item);
    m_lastStored = item;
    m_context.save();
    if (!capture.isOwn)
        emit copyCaptured();
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
    if (m_limit)
        m_limit->prune();
    else
        HistoryLimit::pruneUnpinned(m_context, maxUnpinnedItems);
}
