#include "WaylandPasteboard.h"

#include "DataControlProtocol.h"
#include "WaylandClipboardReader.h"

#include <QImageReader>
#include <QTimer>

#include <algorithm>

WaylandPasteboard::WaylandPasteboard(const ClipboardReadLimits &limits, const QByteArray &displayName, QObject *parent)
    : Pasteboard(parent)
{
    auto reader = std::make_unique<WaylandClipboardReader>(limits, displayName);
    if (!reader->isValid())
        return;
    m_reader = std::move(reader);
    // As on X11: copied images are kept whole, up to 16000 x 16000 pixels.
    QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), 1024));

    qRegisterMetaType<DataControlSnapshot>();
    qRegisterMetaType<std::optional<QString>>();
    m_thread.setObjectName(QStringLiteral("ClipboardReader"));
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_reader.get(), &WaylandClipboardReader::run);
    connect(m_reader.get(), &WaylandClipboardReader::contentRead, this, &WaylandPasteboard::takeSnapshot,
        Qt::QueuedConnection);
    connect(
        m_reader.get(), &WaylandClipboardReader::primaryTextRead, this,
        [this](quint64 id, const std::optional<QString> &text) {
            if (auto done = m_primaryReads.take(id))
                done(text);
        },
        Qt::QueuedConnection);
    connect(
        m_reader.get(), &WaylandClipboardReader::primarySelectionChanged, this,
        [this] { m_primaryWindow = m_focusedWindow ? m_focusedWindow() : 0; }, Qt::QueuedConnection);
    m_thread.start();
}

WaylandPasteboard::~WaylandPasteboard()
{
    if (!m_reader)
        return;
    m_reader->stop();
    m_thread.quit();
    m_thread.wait();
}

void WaylandPasteboard::setFrontmostApplication(const QStringList &names)
{
    if (m_reader)
        m_reader->setFrontmostApplication(neverRecordedFilter(), names);
}

void WaylandPasteboard::setReadsForeignCopies(bool reads)
{
    if (!m_reader)
        return;
    m_reader->setReadsContent(reads);
    if (reads && m_unreadCopy)
        m_reader->readPassedOver();
}

QString WaylandPasteboard::dataControlProtocol() const
{
    return m_reader ? QString::fromLatin1(m_reader->protocol()->name) : QString();
}

void WaylandPasteboard::beginOwnChange()
{
    m_unreadCopy = false;
    ++m_changeCount;
    m_items.clear();
    scheduleWrite({});
}

void WaylandPasteboard::offer(const MimeFormats &formats)
{
    m_items = itemsWritten(formats);
    scheduleWrite(formats);
}

void WaylandPasteboard::scheduleWrite(const MimeFormats &formats)
{
    const bool scheduled = m_pendingWrite.has_value();
    m_pendingWrite = formats;
    if (scheduled || !m_reader)
        return;
    QTimer::singleShot(0, this, [this] {
        ++m_unreportedWrites;
        m_reader->setSelection(*std::exchange(m_pendingWrite, std::nullopt));
    });
}

void WaylandPasteboard::takeSnapshot(const DataControlSnapshot &snapshot)
{
    if (snapshot.own) {
        m_unreportedWrites = std::max(0, m_unreportedWrites - 1);
        return;
    }
    if (m_pendingWrite || m_unreportedWrites > 0)
        return; // replaced by our own write meanwhile
    m_unreadCopy = snapshot.unread;
    m_items = snapshot.items();
    if (!snapshot.counted)
        return;
    ++m_changeCount;
    // A Wayland selection dies with the program that set it; data-control lets us put it back.
    notifyChange(snapshot.empty ? Change::abandoned : Change::foreign);
}

void WaylandPasteboard::setFocusedWindow(std::function<std::uint32_t()> focusedWindow)
{
    m_focusedWindow = std::move(focusedWindow);
}

void WaylandPasteboard::readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done)
{
    // A selection left by a window that no longer has the focus is not what the person means now.
    const bool ownerUnknown = m_focusedWindow && (window == 0 || window != m_primaryWindow);
    if (!m_reader || !m_reader->hasPrimarySelection() || ownerUnknown) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const quint64 id = ++m_nextPrimaryRequest;
    m_primaryReads.insert(id, std::move(done));
    m_reader->requestPrimaryText(id);
}

void WaylandPasteboard::offerPrimary(const MimeFormats &formats)
{
    if (m_reader)
        m_reader->setSelection(formats, true);
}
