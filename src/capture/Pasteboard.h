#pragma once

#include "CopySourceFilter.h"
#include "PasteboardItem.h"
#include "PasteboardObject.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

/// The system clipboard, as the history reads and writes it. Used on the main thread only.
///
/// The change count grows by one for every change of the clipboard, whoever made it. A clear made
/// here raises it at once, inside the call; the string and objects written after it belong to that
/// same change and do not raise it again.
class Pasteboard : public QObject {
    Q_OBJECT

public:
    /// What a counted change was.
    enum class Change {
        own, ///< a write of this program's, reported at its clear; its content follows in the same turn
        foreign, ///< another program's copy, complete
        abandoned, ///< emptied because its owner went away, where this program keeps the clipboard
    };

    Q_ENUM(Change)

    using QObject::QObject;
    ~Pasteboard() override = default;

    virtual qint64 changeCount() const = 0;
    /// The current items: none, or one item offering its formats.
    virtual QList<PasteboardItem> pasteboardItems() const = 0;

    /// Empties the clipboard and counts one change.
    void clearContents();
    /// Adds `text` as plain text to what was written since the last clear.
    void setString(const QString &text);
    /// Adds the objects, in order, to what was written since the last clear.
    void writeObjects(const QList<PasteboardObject> &objects);

    /// Offers what was written since the last clear as the PRIMARY selection too, for the programs
    /// that paste only that (xterm with Shift+Insert).
    void copyToPrimarySelection();

    /// The first item's plain text, if any.
    std::optional<QString> string() const;
    /// While false, another program's copies are counted as changes but nothing of them is read, not
    /// even their size: their items are empty. Turned on again, the copy passed over last, if it is
    /// still the clipboard's, is read then, as content found rather than a change. True from the start.
    virtual void setReadsForeignCopies(bool reads) = 0;
    /// Whether the clipboard holds another program's copy that was passed over and is not read yet.
    virtual bool hasUnreadCopy() const = 0;

    /// The programs whose copies are withheld like a password manager's secrets: counted as changes,
    /// with the concealed item, and nothing else of them read. Where the display server names the
    /// program that copied (X11: the clipboard owner's client) it is matched; elsewhere the application
    /// in front when the copy is made stands for it.
    CopySourceFilter &neverRecorded() { return *m_neverRecorded; }
    /// The names of the application in front, where the desktop reports it as it changes. Only
    /// pasteboards that cannot tell who copied use it.
    virtual void setFrontmostApplication(const QStringList &names) { Q_UNUSED(names) }

signals:
    /// Emitted on the main thread for every counted change, as it happens.
    void changed(Pasteboard::Change change);

protected:
    void notifyChange(Change change) { emit changed(change); }
    /// Counts one change made by this program and takes the clipboard over with no content.
    virtual void beginOwnChange() = 0;
    /// Serves `formats` as the clipboard content of the change begun last.
    virtual void offer(const MimeFormats &formats) = 0;
    /// Serves `formats` as the PRIMARY selection.
    virtual void offerPrimary(const MimeFormats &formats) = 0;
    /// The items of a clipboard this program wrote `formats` to: none for nothing, else one, with its
    /// image where a PNG was written.
    static QList<PasteboardItem> itemsWritten(const MimeFormats &formats);
    /// For the readers, which ask it on their own threads.
    std::shared_ptr<const CopySourceFilter> neverRecordedFilter() const { return m_neverRecorded; }

private:
    void add(const MimeFormats &formats);

    std::shared_ptr<CopySourceFilter> m_neverRecorded = std::make_shared<CopySourceFilter>();
    MimeFormats m_written;
    qint64 m_ownChangeCount = -1;
};
