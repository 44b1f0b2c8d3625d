#pragma once

#include "Pasteboard.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <memory>

class X11ClipboardReader;
struct xcb_connection_t;

/// The X11 CLIPBOARD selection as the history's pasteboard. Construct after QGuiApplication.
///
/// Another program's content is read off the GUI thread by an X11ClipboardReader; changeCount() and
/// pasteboardItems() answer from the snapshot it published last and never wait. Own writes go
/// through QClipboard and count at once; their owner-change echoes are never counted again.
class X11Pasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit X11Pasteboard(QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    QList<PasteboardItem> pasteboardItems() const override { return m_items; }

signals:
    /// Another program's content has been taken in (a counted change, or the content found at start-up).
    void foreignContentArrived();

protected:
    void beginOwnChange() override;
    void offer(const MimeFormats &formats) override;
    void offerPrimary(const MimeFormats &formats) override;

private:
    void takeSnapshot(
        const MimeFormats &formats, const std::optional<QByteArray> &imagePng, std::uint32_t owner, bool counted);
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
    struct DroppedSnapshot {
        MimeFormats formats;
        std::optional<QByteArray> imagePng;
        std::uint32_t owner;
    };
    std::optional<DroppedSnapshot> m_droppedSnapshot;
    int m_takeoverAttempts = 0;
    QTimer m_retryTimer;
};
