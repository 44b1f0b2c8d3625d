#pragma once

#include "capture/Pasteboard.h"
#include "platform/ClipboardReadLimits.h"
#include "services/PrimarySelection.h"

#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <memory>

class X11ClipboardReader;
struct ClipboardSnapshot;
struct xcb_connection_t;

/// The X11 CLIPBOARD selection as the history's pasteboard, and PRIMARY for reading selected text.
/// Construct after QGuiApplication.
///
/// Another program's content is read off the GUI thread by an X11ClipboardReader; changeCount() and
/// pasteboardItems() answer from the snapshot it published last and never wait. Own writes go
/// through QClipboard and count at once; their owner-change echoes are never counted again.
class X11Pasteboard : public Pasteboard, public PrimarySelection {
    Q_OBJECT
public:
    explicit X11Pasteboard(const ClipboardReadLimits &limits = {}, QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    QList<PasteboardItem> pasteboardItems() const override { return m_items; }
    void setReadsForeignCopies(bool reads) override;
    bool hasUnreadCopy() const override { return m_unreadCopy; }

    void readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done) override;
    /// This program keeps the clipboard for the desktop (no other clipboard manager runs).
    bool isClipboardManager() const;

protected:
    void beginOwnChange() override;
    void offer(const MimeFormats &formats) override;
    void offerPrimary(const MimeFormats &formats) override;

private:
    void takeSnapshot(const ClipboardSnapshot &snapshot);
    void takeForeignContent(const ClipboardSnapshot &snapshot);
    void scheduleWrite(const MimeFormats &formats);
    void writePending();
    void takeOwnWindowCopy();

    xcb_connection_t *m_qtConnection = nullptr;
    std::uint32_t m_clipboardAtom = 0;
    std::unique_ptr<X11ClipboardReader> m_reader;
    QThread m_thread;

    qint64 m_changeCount = 0;
    QList<PasteboardItem> m_items;
    // Own writes whose owner change the reader has not reported yet. A foreign snapshot published
    // before that report describes a change older than our write, so it is stale.
    int m_unreportedWrites = 0;
    // What this program wrote and has yet to serve, and the last other program's content that arrived
    // meanwhile (reported instead if the write cannot be made).
    std::optional<MimeFormats> m_pendingWrite;
    std::unique_ptr<ClipboardSnapshot> m_droppedSnapshot;
    quint64 m_nextPrimaryRequest = 0;
    QHash<quint64, std::function<void(std::optional<QString>)>> m_primaryReads;
    int m_takeoverAttempts = 0;
    QTimer m_retryTimer;
    // The clipboard holds another program's copy passed over unread.
    bool m_unreadCopy = false;
};
