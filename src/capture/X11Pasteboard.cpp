#include "X11Pasteboard.h"

#include "X11ClipboardReader.h"

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
const QString pngFormat = QStringLiteral("image/png");

// How long a refused write is retried (see X11Pasteboard::takeOwnership).
constexpr int retryIntervalMs = 20;
constexpr int maxTakeoverAttempts = 50;

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};

} // namespace

X11Pasteboard::X11Pasteboard(QObject *parent)
    : QObject(parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) {
        qCWarning(lcPasteboard) << "not running on X11; other programs' copies will not be seen";
        return;
    }
    m_qtConnection = x11->connection();
    const char clipboard[] = "CLIPBOARD";
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(
        m_qtConnection, xcb_intern_atom(m_qtConnection, 0, sizeof clipboard - 1, clipboard), nullptr));
    m_clipboardAtom = atom ? atom->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);

    // Every window Qt creates, its clipboard owner window included, has an id in its connection's
    // resource range. The reader recognises our writes by that range, so it never races against
    // being told which window Qt took the clipboard with.
    const xcb_setup_t *setup = xcb_get_setup(m_qtConnection);
    m_reader = std::make_unique<X11ClipboardReader>(setup->resource_id_base, setup->resource_id_mask);
    if (!m_reader->isValid()) {
        m_reader.reset();
        return;
    }
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &X11Pasteboard::retryTakeover);
    // Qt's timestamp moves on when it handles another program's owner change, and then emits this;
    // the retry waits for Qt to leave its event handler.
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && m_refusedWrite)
            m_retryTimer.start(0);
    });

    // Qt refuses to decode images over 128 MB; copied images are kept whole, so allow one of
    // 16000 x 16000 pixels. Set before the reader thread starts decoding.
    QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), 1024));

    m_thread.setObjectName(QStringLiteral("ClipboardReader"));
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_reader.get(), &X11ClipboardReader::run);
    connect(m_reader.get(), &X11ClipboardReader::contentRead, this, &X11Pasteboard::takeSnapshot, Qt::QueuedConnection);
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

void X11Pasteboard::beginOwnChange()
{
    ++m_changeCount;
    m_items.clear();
    m_takeoverAttempts = 0;
    // An empty QMimeData keeps the selection ours; QClipboard::clear() would give it up, which other
    // programs (and our reader) would see as a change of its own.
    takeOwnership({});
}

void X11Pasteboard::offer(const MimeFormats &formats)
{
    m_takeoverAttempts = 0;
    takeOwnership(formats);
    m_items.clear();
    if (!formats.isEmpty()) {
        const auto png = formats.contains(pngFormat) ? std::optional(formats.value(pngFormat)) : std::nullopt;
        m_items.append(PasteboardItem(formats, png));
    }
}

void X11Pasteboard::takeOwnership(const MimeFormats &formats)
{
    m_refusedWrite.reset();
    auto *data = new QMimeData;
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
        if (it.key() != mozUrlFormat)
            data->setData(it.key(), it.value());
    }
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    if (!m_reader)
        return;

    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(xcb_get_selection_owner_reply(
        m_qtConnection, xcb_get_selection_owner(m_qtConnection, m_clipboardAtom), nullptr));
    if (reply && m_reader->isOwnWindow(reply->owner)) {
        // Each takeover produces one owner change for the reader to report.
        ++m_unreportedWrites;
        m_takeoverAttempts = 0;
        m_retryTimer.stop();
        return;
    }
    // Qt stamps the takeover with the time of the last X event it handled. When another program took
    // the clipboard after that and Qt has not handled that change yet, the server refuses the older
    // stamp; so the write is made again once Qt has caught up.
    if (++m_takeoverAttempts > maxTakeoverAttempts) {
        qCWarning(lcPasteboard) << "could not take over the clipboard";
        m_takeoverAttempts = 0;
        m_retryTimer.stop();
        return;
    }
    m_refusedWrite = formats;
    m_retryTimer.start(retryIntervalMs);
}

void X11Pasteboard::retryTakeover()
{
    if (const auto formats = std::exchange(m_refusedWrite, std::nullopt))
        takeOwnership(*formats);
}

void X11Pasteboard::takeSnapshot(
    const MimeFormats &formats, const std::optional<QByteArray> &imagePng, std::uint32_t owner, bool counted)
{
    if (m_reader->isOwnWindow(owner)) {
        // The echo of a write of ours: counted when it was made.
        if (m_unreportedWrites > 0)
            --m_unreportedWrites;
        return;
    }
    if (m_unreportedWrites > 0 || m_refusedWrite) {
        qCDebug(lcPasteboard) << "dropped content replaced by our own write meanwhile";
        return;
    }
    if (counted)
        ++m_changeCount;
    m_items.clear();
    if (!formats.isEmpty() || imagePng)
        m_items.append(PasteboardItem(formats, imagePng));
    emit foreignContentArrived();
}
