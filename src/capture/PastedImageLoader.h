#pragma once

#include <QByteArray>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <optional>

class ClipboardItem;

/// Makes an image item's PNG for the clipboard on a worker thread: reading a large image from the
/// store, decoding and encoding it take long enough to freeze the GUI thread.
class PastedImageLoader : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const std::optional<QByteArray> &png)>;

    explicit PastedImageLoader(QObject *parent = nullptr);

    /// Reads `item`'s image bytes (from the store file, through the worker's own connection, once the
    /// store has written them) and makes PasteboardWriter::clipboardPng of them; `done` takes it on
    /// this object's thread, nothing when the bytes are gone or do not decode. Dropped when the loader
    /// goes first.
    void load(const ClipboardItem &item, Done done);

private:
    QThreadPool m_pool; // its destructor waits for a load still running, only as Quillbox quits
};
