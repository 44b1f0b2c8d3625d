#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

class AppDelegate;
class Pasteboard;

/// The running instance's commands on the session bus (interface io.quillbox.Quillbox on the
/// object /io/quillbox/Quillbox), for the command line and any other D-Bus client. Lists come back
/// as JSON text, one object per item; a bad argument or an unknown item is an error reply that says
/// what was wrong, never a silent no-op. Writes go through here, so the store has one writer.
class CommandInterface : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.Quillbox")

public:
    /// What a command answers: its value, or the reason it was refused.
    struct Reply {
        QString value;
        QString error;
    };

    explicit CommandInterface(QObject *parent = nullptr);

    /// Commands that need the application are refused until it is attached. Both must outlive this.
    void attach(AppDelegate &delegate, Pasteboard &pasteboard);

    /// The `limit` newest items (0: all) of `type` ("" for any), only pinned ones if asked.
    Reply list(int limit, const QString &type, bool pinnedOnly) const;
    /// The newest items the text finds, by the panel's matching rule.
    Reply search(const QString &text, int limit) const;
    /// Stores the text as a copy; the new item's id.
    Reply add(const QString &text);
    /// Puts an item on the clipboard, as choosing it in the panel does, without pasting. `item` is a
    /// position in the list's order (1 = newest) or an id; the answer is the item's id.
    Reply copy(const QString &item);

public slots:
    Q_SCRIPTABLE void Toggle();
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void Quit();
    /// The wrong-layout fix on the selected text, as its hotkey runs it.
    Q_SCRIPTABLE void FixLayout();
    Q_SCRIPTABLE QString List(int limit, const QString &type, bool pinnedOnly);
    Q_SCRIPTABLE QString Search(const QString &text, int limit);
    Q_SCRIPTABLE QString Add(const QString &text);
    Q_SCRIPTABLE QString Copy(const QString &item);

private:
    /// The reply's value; on the bus a refusal becomes an error reply.
    QString answer(const Reply &reply);
    /// Why the history cannot be read or written now; empty when it can.
    QString storeUnavailableReason() const;

    AppDelegate *m_delegate = nullptr;
    Pasteboard *m_pasteboard = nullptr;
};
