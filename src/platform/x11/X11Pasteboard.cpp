#include "X11Pasteboard.h"

#include "QtX11Connection.h"
#include "X11ClipboardReader.h"
#include "capture/PasteboardImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMimeData>

#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcPasteboard, "quillbox.pasteboard", QtInfoMsg)

// Qt derives text/x-moz-url from text/uri-list when it serves the clipboard; one set explicitly is
// served empty.
const QString mozUrlFormat = QStringLiteral("text/x-moz-url");

// How long a refused write is retried (see X11Pasteboard::takeOwnership).
constexpr int retryIntervalMs = 20;
constexpr int maxTakeoverAttempts = 50;

} // namespace

X11Pasteboard::X11Pasteboard(const ClipboardReadLimits &limits, QObject *parent)
    : Pasteboard(parent)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &X11Pasteboard::writePending);
    const auto x11 = QtX11Connection::get();
    if (!x11) {
        qCWarning(lcPasteboard) << "not running on X11; other programs' copies will not be seen";
        return;
    }
    m_qtConnection = x11->connection;
    m_clipboardAtom = internAtom(m_qtConnection, "CLIPBOARD");

    // Every window Qt creates, its clipboard owner window included, has an id in its connection's
    // resource range. The reader recognises our writes by that range, so it never races against
    // being told which window Qt took the clipboard with.
    const xcb_setup_t *setup = xcb_get_setup(m_qtConnection);
    m_reader = std::make_unique<X11ClipboardReader>(
        setup->resource_id_base, setup->resource_id_mask, limits, neverRecordedFilter());
    if (!m_reader->isValid()) {
        m_reader.reset();
        return;
    }
    // Qt's timestamp moves on when it handles another program's owner change, and then emits this;
    // the retry waits for Qt to leave its event handler.
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && m_pendingWrite && m_takeoverAttempts > 0)
            m_retryTimer.start(0);
    });

    // Qt refuses to decode images over 128 MB; copied images are kept whole, so allow one of
    // 16000 x 16000 pixels. Set before the reader thread starts decoding.
    QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), 1024));

    qRegisterMetaType<ClipboardSnapshot>();
    qRegisterMetaType<std::optional<QString>>();
    m_thread.setObjectName(QStringLiteral("ClipboardReader"));
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_reader.get(), &X11ClipboardReader::run);
    connect(m_reader.get(), &X11ClipboardReader::contentRead, this, &X11Pasteboard::takeSnapshot, Qt::QueuedConnection);
    connect(
        m_reader.get(), &X11ClipboardReader::primaryTextRead, this,
        [this](quint64 id, const std::optional<QString> &text) {
            if (auto done = m_primaryReads.take(id))
                done(text);
        },
        Qt::QueuedConnection);
    m_thread.start();
}

X11Pasteboard::~X11Pasteboard()
{
    if (!m_reader)
        return;
    m_reader->stop();
    m_thread.quit();
    m_thread.wait();
}

void X11Pasteboard::setReadsForeignCopies(bool reads)
{
    if (!m_reader)
        return;
    m_reader->setReadsContent(reads);
    if (reads && m_unreadCopy)
        m_reader->readPassedOver();
}

void X11Pasteboard::beginOwnChange()
{
    m_unreadCopy = false;
    ++m_changeCount;
    m_items.clear();
    scheduleWrite({});
}

void X11Pasteboard::offer(const MimeFormats &formats)
{
    m_items = itemsWritten(formats);
    scheduleWrite(formats);
}

// A clear and the writes that follow it are served as one takeover at the end of this turn of the
// event loop, so other programs never see the half-written steps.
void X11Pasteboard::scheduleWrite(const MimeFormats &formats)
{
    m_pendingWrite = formats;
    m_takeoverAttempts = 0;
    m_retryTimer.start(0);
}

void X11Pasteboard::writePending()
{
    if (!m_pendingWrite)
        return;
    auto *data = new QMimeData;
    for (auto it = m_pendingWrite->cbegin(); it != m_pendingWrite->cend(); ++it) {
        // An empty QMimeData keeps the selection ours; QClipboard::clear() would give it up, which other
        // programs (and our reader) would see as a change of its own.
        if (it.key() != mozUrlFormat)
            data->setData(it.key(), it.value());
    }
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    if (!m_reader) {
        m_pendingWrite.reset();
        return;
    }

    XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_qtConnection, xcb_get_selection_owner(m_qtConnection, m_clipboardAtom), nullptr));
    if (reply && m_reader->isOwnWindow(reply->owner)) {
        // Each takeover produces one owner change for the reader to report.
        ++m_unreportedWrites;
        m_pendingWrite.reset();
        m_droppedSnapshot.reset();
        m_retryTimer.stop();
        return;
    }
    // Qt stamps the takeover with the time of the last X event it handled. When another program took
    // the clipboard after that and Qt has not handled that change yet, the server refuses the older
    // stamp; so the write is made again once Qt has caught up.
    if (++m_takeoverAttempts <= maxTakeoverAttempts) {
        m_retryTimer.start(retryIntervalMs);
        return;
    }
    qCWarning(lcPasteboard) << "could not take over the clipboard";
    m_pendingWrite.reset();
    m_retryTimer.stop();
    // The other program's content stays; report it rather than what we failed to write.
    if (const auto snapshot = std::exchange(m_droppedSnapshot, nullptr))
        takeForeignContent(*snapshot);
}

void X11Pasteboard::takeSnapshot(const ClipboardSnapshot &snapshot)
{
    if (m_reader->isOwnWindow(snapshot.owner)) {
        // The echo of a write of ours was counted when it was made; any other owner change of ours is
        // a copy made in one of our own windows.
        if (m_unreportedWrites > 0)
            --m_unreportedWrites;
        else
            takeOwnWindowCopy();
        return;
    }
    if (m_pendingWrite) {
        m_droppedSnapshot = std::make_unique<ClipboardSnapshot>(snapshot);
        m_droppedSnapshot->counted = true;
        return;
    }
    if (m_unreportedWrites > 0) {
        qCDebug(lcPasteboard) << "dropped content replaced by our own write meanwhile";
        return;
    }
    takeForeignContent(snapshot);
}

void X11Pasteboard::takeForeignContent(const ClipboardSnapshot &snapshot)
{
    m_unreadCopy = snapshot.unread;
    m_items.clear();
    if (!snapshot.formats.isEmpty() || snapshot.image) {
        m_items.append(snapshot.image ? PasteboardItem(snapshot.formats, snapshot.image->png, snapshot.image->digest)
                                      : PasteboardItem(snapshot.formats));
    }
    // The content found at start-up is no change.
    if (!snapshot.counted)
        return;
    ++m_changeCount;
    notifyChange(snapshot.ownerGone && m_reader->isClipboardManager() ? Change::abandoned : Change::foreign);
}

void X11Pasteboard::takeOwnWindowCopy()
{
    m_unreadCopy = false;
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard->ownsClipboard() ? clipboard->mimeData() : nullptr;
    if (!data)
        return;
    // Our own process serves this data, so reading it here cannot wait on anyone.
    const QStringList offered = data->formats();
    MimeFormats formats;
    for (const QString &format : PasteboardItem::textFormatsToRead(offered))
        formats.insert(format, data->data(format));
    const auto image = PasteboardImage::extractPng(
        offered, [data](const QString &format) { return std::optional(data->data(format)); });
    ++m_changeCount;
    m_items.clear();
    if (!formats.isEmpty() || image)
        m_items.append(image ? PasteboardItem(formats, image->png, image->digest) : PasteboardItem(formats));
    notifyChange(Change::foreign);
}

bool X11Pasteboard::isClipboardManager() const
{
    return m_reader && m_reader->isClipboardManager();
}

void X11Pasteboard::readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done)
{
    if (!m_reader) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const quint64 id = ++m_nextPrimaryRequest;
    m_primaryReads.insert(id, std::move(done));
    m_reader->requestPrimaryText(id, window);
}

void X11Pasteboard::offerPrimary(const MimeFormats &formats)
{
    // At once rather than on the next turn: the one caller pastes a little later, and no half-written
    // steps precede it.
    auto *data = new QMimeData;
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
        if (it.key() != mozUrlFormat)
            data->setData(it.key(), it.value());
    }
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Selection);
}
