#pragma once

#include "GnomeSelectionWriter.h"
#include "capture/Pasteboard.h"
#include "platform/ClipboardReadLimits.h"
#include "services/PrimarySelection.h"

#include <QHash>
#include <QThread>

#include <memory>
#include <optional>

class GnomeClipboardReader;
class GnomeShell;
struct GnomeClipboardSnapshot;

/// The clipboard under GNOME on Wayland as the history's pasteboard, and the primary selection for
/// reading selected text, through Quillbox's Shell extension.
///
/// The Shell announces every change with its offered types; a GnomeClipboardReader reads the content
/// on its thread, and changeCount() and pasteboardItems() answer from what it published last. Own
/// writes count at once; their echoes are never counted again. A clipboard emptied because its owner
/// exited is reported abandoned, for the history to put its newest copy back, as Wayland asks.
class GnomePasteboard : public Pasteboard, public PrimarySelection {
    Q_OBJECT
public:
    explicit GnomePasteboard(GnomeShell &shell, const ClipboardReadLimits &limits = {}, QObject *parent = nullptr);
    ~GnomePasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    QList<PasteboardItem> pasteboardItems() const override { return m_items; }
    void setReadsForeignCopies(bool reads) override;
    bool hasUnreadCopy() const override { return m_passedOver.has_value(); }

    /// The Shell answers only for the window focused when the text was selected; `window` is not needed.
    void readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done) override;

protected:
    void beginOwnChange() override;
    void offer(const MimeFormats &formats) override;
    void offerPrimary(const MimeFormats &formats) override;

private:
    void noteChange(quint64 serial, const QStringList &mimeTypes, bool own);
    bool isCopiedByProgramNeverRecorded() const;
    /// Reads what the clipboard held before this registration, as content found, not as a change.
    void readCurrent();
    void takeSnapshot(const GnomeClipboardSnapshot &snapshot);
    void scheduleWrite(const MimeFormats &formats);
    /// A write of ours is waiting or not yet echoed: whatever another program's change brings is older.
    bool ownWriteIsNewer() const { return m_pendingWrite || m_unechoedWrites > 0; }

    GnomeShell &m_shell;
    std::unique_ptr<GnomeClipboardReader> m_reader;
    QThread m_thread;
    GnomeSelectionWriter m_writer;

    qint64 m_changeCount = 0;
    QList<PasteboardItem> m_items;
    // The newest change the Shell announced: a snapshot of any other is stale.
    std::optional<quint64> m_latestSerial;
    struct PassedOver {
        quint64 serial = 0;
        QStringList mimeTypes;
    };
    bool m_readsForeignCopies = true;
    // The clipboard holds another program's copy passed over unread (until it is read or replaced).
    std::optional<PassedOver> m_passedOver;
    // Own writes whose echo has not come yet: another program's content read before it is older.
    int m_unechoedWrites = 0;
    // A clear and the writes after it in the same turn are set as one selection.
    std::optional<MimeFormats> m_pendingWrite;
    quint64 m_nextPrimaryRequest = 0;
    QHash<quint64, std::function<void(std::optional<QString>)>> m_primaryReads;
};
