#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

#include <memory>

/// Another program that owns the X11 clipboard for a test: xclip for one format, or the
/// clip-owner helper for several formats or a stalled owner.
class ClipboardOwner {
public:
    /// `xclip -t target` serving `data` until another program takes the clipboard.
    static std::unique_ptr<ClipboardOwner> xclip(const QByteArray &data, const QString &target = "text/plain");
    /// clip-owner serving every "format=value" (value "@path" for a file's bytes); `stall` stops it with
    /// SIGSTOP once it owns the clipboard, before it answers anyone.
    static std::unique_ptr<ClipboardOwner> helper(const QStringList &formats, bool stall = false);
    ~ClipboardOwner();

    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    QString m_dataFile;
};
