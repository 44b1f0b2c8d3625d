#pragma once

#include "capture/Pasteboard.h"
#include "platform/ClipboardReadLimits.h"
#include "services/PrimarySelection.h"

#include <QHash>
#include <QObject>
#include <QThread>

#include <cstdint>
#include <memory>

class WaylandClipboardReader;
struct DataControlSnapshot;

/// The Wayland clipboard as the history's pasteboard, and the primary selection for reading selected
/// text, through the compositor's data-control protocol. Construct after QCoreApplication.
///
/// A WaylandClipboardReader reads other programs' copies and serves our own writes on its thread;
/// changeCount() and pasteboardItems() answer from what it published last and never wait. Own
/// writes count at once; their echoes are never counted again.
class WaylandPasteboard : public Pasteboard, public PrimarySelection {
    Q_OBJECT
public:
    explicit WaylandPasteboard(
        const ClipboardReadLimits &limits = {}, const QByteArray &displayName = {}, QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    /// The compositor offers data-control: other programs' copies are seen, and ours set.
    bool isAvailable() const { return m_reader != nullptr; }
    /// The data-control protocol that reaches the clipboard ("ext-data-control-v1"); empty when none.
    QString dataControlProtocol() const;

    qint64 changeCount() const override { return m_changeCount; }
    QList<PasteboardItem> pasteboardItems() const override { return m_items; }
    void setReadsForeignCopies(bool reads) override;
    bool hasUnreadCopy() const override { return m_unreadCopy; }
    void setFrontmostApplication(const QStringList &names) override;

    /// Where the person works: the focused window's id, 0 when unknown. A primary selection is then
    /// read only while the window focused when it was set still has the focus, since data-control
    /// does not say which program set it. Without it, any other program's selection is read.
    void setFocusedWindow(std::function<std::uint32_t()> focusedWindow);

    void readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done) override;

protected:
    void beginOwnChange() override;
    void offer(const MimeFormats &formats) override;
    void offerPrimary(const MimeFormats &formats) override;

private:
    void scheduleWrite(const MimeFormats &formats);
    void takeSnapshot(const DataControlSnapshot &snapshot);

    std::unique_ptr<WaylandClipboardReader> m_reader;
    QThread m_thread;

    qint64 m_changeCount = 0;
    QList<PasteboardItem> m_items;
    // Own writes whose echo the reader has not reported yet. Another program's content published
    // before that echo is older than our write, so it is stale.
    int m_unreportedWrites = 0;
    // A clear and the writes after it in the same turn are set as one selection.
    std::optional<MimeFormats> m_pendingWrite;
    std::function<std::uint32_t()> m_focusedWindow;
    // The window focused when another program last set the primary selection.
    std::uint32_t m_primaryWindow = 0;
    quint64 m_nextPrimaryRequest = 0;
    QHash<quint64, std::function<void(std::optional<QString>)>> m_primaryReads;
    // The clipboard holds another program's copy passed over unread.
    bool m_unreadCopy = false;
};
