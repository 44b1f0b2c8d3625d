#include "GnomePasteboard.h"
#include "capture/CopySourceFilter.h"
#include "platform/ClipboardContent.h"

#include "GnomeClipboardReader.h"
#include "GnomeShell.h"

#include <QImageReader>
#include <QTimer>

#include <algorithm>

namespace {

const QString clipboard = QStringLiteral("clipboard");

} // namespace

GnomePasteboard::GnomePasteboard(GnomeShell &shell, const ClipboardReadLimits &limits, QObject *parent)
    : Pasteboard(parent)
    , m_shell(shell)
    , m_reader(std::make_unique<GnomeClipboardReader>(shell.bus(), limits))
    , m_writer(shell)
{
    // As on X11: copied images are kept whole, up to 16000 x 16000 pixels.
    QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), 1024));
    qRegisterMetaType<GnomeClipboardSnapshot>();
    qRegisterMetaType<std::optional<QString>>();
    m_thread.setObjectName(QStringLiteral("ClipboardReader"));
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_reader.get(), &GnomeClipboardReader::run);
    connect(
        m_reader.get(), &GnomeClipboardReader::contentRead, this, &GnomePasteboard::takeSnapshot, Qt::QueuedConnection);
    connect(
        m_reader.get(), &GnomeClipboardReader::primaryTextRead, this,
        [this](quint64 id, const std::optional<QString> &text) {
            if (auto done = m_primaryReads.take(id))
                done(text);
        },
        Qt::QueuedConnection);
    connect(&shell, &GnomeShell::clipboardChanged, this, &GnomePasteboard::noteChange);
    connect(&shell, &GnomeShell::stateChanged, this, [this](GnomeShell::State state) {
        // Echoes of writes made to an extension that went away never come.
        m_unechoedWrites = 0;
        m_latestSerial.reset();
        if (state == GnomeShell::State::registered)
            readCurrent();
    });
    m_thread.start();
}

GnomePasteboard::~GnomePasteboard()
{
    m_reader->stop();
    m_thread.quit();
    m_thread.wait();
}

void GnomePasteboard::setReadsForeignCopies(bool reads)
{
    m_readsForeignCopies = reads;
    if (reads && m_passedOver && m_passedOver->serial == m_latestSerial)
        m_reader->readChange(m_passedOver->serial, m_passedOver->mimeTypes, false);
}

void GnomePasteboard::noteChange(quint64 serial, const QStringList &mimeTypes, bool own)
{
    m_latestSerial = serial;
    m_passedOver.reset();
    if (own) {
        m_unechoedWrites = std::max(0, m_unechoedWrites - 1);
        return;
    }
    const bool withheld = !mimeTypes.isEmpty() && m_readsForeignCopies && isCopiedByProgramNeverRecorded();
    if (!withheld && (m_readsForeignCopies || mimeTypes.isEmpty())) {
        m_reader->readChange(serial, mimeTypes);
        return;
    }
    if (ownWriteIsNewer())
        return;
    if (withheld) {
        ClipboardContent concealed;
        concealed.conceal();
        m_items = concealed.items();
    } else {
        m_passedOver = PassedOver{serial, mimeTypes};
        m_items.clear();
    }
    ++m_changeCount;
    notifyChange(Change::foreign);
}

// The Shell asked for the focused window before announcing the change: the copy came from it.
bool GnomePasteboard::isCopiedByProgramNeverRecorded() const
{
    const GnomeShell::FocusedWindow &focused = m_shell.focusedWindow();
    QStringList names = CopySourceFilter::processNames(focused.pid);
    names << focused.appId << focused.wmClass;
    return neverRecordedFilter()->excludes(names);
}

void GnomePasteboard::readCurrent()
{
    m_shell.call(QStringLiteral("CurrentClipboard"), {}, this, [this](const QDBusMessage &reply) {
        const QVariantList values = reply.arguments();
        // A change announced meanwhile, or a write of ours, is newer than this answer.
        if (reply.type() != QDBusMessage::ReplyMessage || values.size() != 2 || m_latestSerial || ownWriteIsNewer())
            return;
        m_latestSerial = values.at(0).toULongLong();
        const QStringList mimeTypes = values.at(1).toStringList();
        if (mimeTypes.isEmpty())
            return;
        if (m_readsForeignCopies)
            m_reader->readChange(*m_latestSerial, mimeTypes, false);
        else
            m_passedOver = PassedOver{*m_latestSerial, mimeTypes};
    });
}

void GnomePasteboard::takeSnapshot(const GnomeClipboardSnapshot &snapshot)
{
    if (snapshot.serial != m_latestSerial || ownWriteIsNewer())
        return; // replaced since, by another program's copy or our own write
    m_passedOver.reset();
    m_items = snapshot.items();
    if (!snapshot.counted)
        return;
    ++m_changeCount;
    // A Wayland selection dies with the program that set it; the history puts its newest copy back.
    notifyChange(snapshot.empty ? Change::abandoned : Change::foreign);
}

void GnomePasteboard::beginOwnChange()
{
    m_passedOver.reset();
    ++m_changeCount;
    m_items.clear();
    scheduleWrite({});
}

void GnomePasteboard::offer(const MimeFormats &formats)
{
    m_items = itemsWritten(formats);
    scheduleWrite(formats);
}

void GnomePasteboard::scheduleWrite(const MimeFormats &formats)
{
    const bool scheduled = m_pendingWrite.has_value();
    m_pendingWrite = formats;
    if (scheduled)
        return;
    QTimer::singleShot(0, this, [this] {
        ++m_unechoedWrites;
        m_writer.write(clipboard, *std::exchange(m_pendingWrite, std::nullopt), [this](std::optional<quint64> serial) {
            // A refused write has no echo to wait for.
            if (!serial)
                m_unechoedWrites = std::max(0, m_unechoedWrites - 1);
        });
    });
}

void GnomePasteboard::offerPrimary(const MimeFormats &formats)
{
    m_writer.write(QStringLiteral("primary"), formats, [](std::optional<quint64>) {});
}

void GnomePasteboard::readSelectedText(std::uint32_t, std::function<void(std::optional<QString>)> done)
{
    if (!m_shell.isRegistered()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const quint64 id = ++m_nextPrimaryRequest;
    m_primaryReads.insert(id, std::move(done));
    m_reader->requestPrimaryText(id);
}
