#pragma once

#include "capture/PasteboardItem.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class GnomeShell;

/// Hands this program's selections to the Shell extension: SetSelection with the read end of a pipe
/// written from here as the Shell reads it, without ever blocking the GUI thread. The Shell offers one
/// format of a selection it owns, so one is sent: the one most programs read. GUI thread only.
class GnomeSelectionWriter : public QObject {
    Q_OBJECT
public:
    /// How long the Shell may take to read a format before its pipe is closed.
    static constexpr int writeTimeoutMs = 5000;

    explicit GnomeSelectionWriter(GnomeShell &shell, QObject *parent = nullptr);
    ~GnomeSelectionWriter() override;

    /// Makes `formats` the content of `selection` ("clipboard" or "primary"); `done` runs once the Shell
    /// answered, with the new clipboard serial, or nothing when it refused.
    void write(const QString &selection, const MimeFormats &formats, std::function<void(std::optional<quint64>)> done);

    /// Of `formats`, the one the Shell offers: files as a URI list, then an image as PNG, then text as
    /// UTF-8 under the name every toolkit asks for (GTK reads no plain "text/plain").
    static MimeFormats servedFormat(const MimeFormats &formats);

private:
    struct Outgoing {
        int fd = -1;
        QByteArray data;
        qsizetype written = 0;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    void send(quint64 id);
    void finish(quint64 id);

    GnomeShell &m_shell;
    std::map<quint64, Outgoing> m_outgoing;
    quint64 m_nextId = 0;
};
