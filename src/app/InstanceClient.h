#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

/// The command line's side of the session bus: calls to the running Quillbox, each ended by a
/// deadline of its own. Qt's blocking call waits for ever once the bus has dropped the connection
/// (as it does a message over its size limit), so the answer is awaited in an event loop that
/// also ends when the connection does.
class InstanceClient {
public:
    /// Text up to this goes in the Add call itself; larger text through a sealed memfd.
    static constexpr qsizetype maxInlineTextBytes = 1024 * 1024;

    /// The answer to `method`, or an error made here when none came within the deadline or the
    /// connection ended first. With `autoStart` the bus may start Quillbox for the call.
    static QDBusMessage call(const QString &method, const QVariantList &arguments, bool autoStart);
    /// Add, or AddFromFd for text too large for one message: the answer is the item's id.
    static QDBusMessage add(const QByteArray &utf8);
    /// The answer says no Quillbox runs (nor could one be started).
    static bool isNotRunning(const QDBusMessage &reply);
};
