#pragma once

#include "PasteboardItem.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

/// Reads the X11 CLIPBOARD selection through an xcb connection of its own, on a worker thread.
///
/// Qt's QClipboard blocks its caller for seconds when the owner has stalled, so nothing on the GUI
/// thread ever waits on another client. This reader notices owner changes through XFixes, reads the
/// new content with deadlines (INCR transfers included), re-encodes an image as PNG, and publishes one
/// complete snapshot per change through contentRead(). run() is its whole life on the worker thread;
/// stop() may be called from any thread.
class X11ClipboardReader : public QObject {
    Q_OBJECT
public:
    /// How long the owner may leave a request unanswered, and how long reading one change may take.
    static constexpr std::chrono::milliseconds answerTimeout{1000};
    static constexpr std::chrono::milliseconds readTimeout{15000};

    /// Connects to `displayName` ($DISPLAY when empty) and subscribes to CLIPBOARD owner changes
    /// before returning, so every change made afterwards is seen. Windows whose ids lie in the
    /// resource-id range `ownIdBase`/`ownIdMask` (that of this process's Qt connection) belong to this
    /// program: a change to such an owner is reported but never read, as reading would wait on our own
    /// GUI thread.
    X11ClipboardReader(std::uint32_t ownIdBase, std::uint32_t ownIdMask, const QByteArray &displayName = {});
    ~X11ClipboardReader() override;

    /// The connection and the XFixes subscription succeeded.
    bool isValid() const { return m_connection != nullptr; }
    /// `window` was created by this process's Qt connection. Thread-safe.
    bool isOwnWindow(std::uint32_t window) const;

    /// Publishes the current content (not counted), then every change, until stop().
    void run();
    /// Makes run() return promptly, even in the middle of a read. Thread-safe.
    void stop();

signals:
    /// The clipboard now holds `formats` (the text formats read) and `imagePng` (its image as PNG),
    /// offered by `owner` (0: nobody). `counted` is false for the content found at start-up. For a
    /// change to one of our own windows nothing is read and `formats` is empty.
    void contentRead(
        const MimeFormats &formats, const std::optional<QByteArray> &imagePng, std::uint32_t owner, bool counted);

private:
    struct OwnerChange {
        std::uint32_t owner = 0;
        std::uint32_t time = 0;
        bool counted = true;
    };
    enum class Abort { timeout, superseded, stopped, connectionLost };
    using EventPtr = std::unique_ptr<xcb_generic_event_t, void (*)(void *)>;
    template <typename Accept> EventPtr waitForEvent(Accept accept);

    bool subscribe();
    std::uint32_t currentOwner() const;
    bool noteOwnerChange(const xcb_generic_event_t *event);
    void waitForChange();
    void readChange(const OwnerChange &change);
    void readContent(MimeFormats &formats, std::optional<QByteArray> &imagePng);
    QHash<QString, std::uint32_t> readTargets();
    std::optional<QByteArray> readTarget(std::uint32_t target);
    bool superseded();

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_ownIdBase;
    std::uint32_t m_ownIdMask;
    int m_wakeFd = -1;
    std::atomic_bool m_stopping = false;

    std::uint32_t m_window = 0;
    std::uint8_t m_xfixesFirstEvent = 0;
    std::uint32_t m_clipboardAtom = 0;
    std::uint32_t m_targetsAtom = 0;
    std::uint32_t m_incrAtom = 0;
    std::uint32_t m_propertyAtom = 0;
    std::uint32_t m_utf8StringAtom = 0;
    QHash<std::uint32_t, QString> m_atomNames;

    std::optional<OwnerChange> m_pending;

    // The read in progress.
    std::uint32_t m_requestor = 0;
    std::uint32_t m_requestTime = 0;
    std::optional<Abort> m_abort;
    std::chrono::steady_clock::time_point m_readStart;
    std::chrono::steady_clock::time_point m_lastAnswer;
};
