#pragma once

#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

class AppDelegate;
class Pasteboard;

/// The running instance's commands on the session bus (interface io.quillbox.Quillbox on the
/// object /io/quillbox/Quillbox), for the command line and any other D-Bus client. Lists come back
/// as JSON text, one object per item; a bad argument or an unknown item is an error reply that says
/// what was wrong, never a silent no-op. Writes go through here, so the store has one writer.
///
/// Add and Copy answer once the capture they cause is stored, with the id the item has then. Once
/// Quillbox is quitting every call but Quit is refused; what was accepted before is stored first.
class CommandInterface : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.Quillbox")
    /// Whether the history is paused, and until when (Unix seconds; 0 while paused until resumed or
    /// not paused).
    Q_PROPERTY(bool Paused READ isPaused)
    Q_PROPERTY(qlonglong PausedUntil READ pausedUntil)

public:
    /// What a command answers: its value, or the reason it was refused.
    struct Reply {
        QString value;
        QString error;
        /// Refused because the answer would not fit one message (errorNameTooLarge).
        bool tooLarge = false;
    };
    using Answer = std::function<void(const Reply &)>;

    static const QString errorName;
    /// The error of a list or search whose answer is larger than `maxAnswerBytes`.
    static const QString errorNameTooLarge;
    /// Far below what one bus message may carry (128 MiB), and below the 63 MiB a client's libdbus
    /// takes in before it pauses reading.
    static constexpr qsizetype maxAnswerBytes = 32 * 1024 * 1024;

    explicit CommandInterface(QObject *parent = nullptr);

    /// Commands that need the application are refused until it is attached. Both must outlive this,
    /// or quitting must have begun before they go.
    void attach(AppDelegate &delegate, Pasteboard &pasteboard);

    bool isPaused() const;
    qlonglong pausedUntil() const;
    /// Refuses every later call but Quit, and hands the texts still being read to capture, whose end
    /// stores them before the last save.
    void beginQuitting();

    /// The `limit` newest items (0: all) of `type` ("" for any), only pinned ones if asked.
    Reply list(int limit, const QString &type, bool pinnedOnly) const;
    /// The newest items the text finds, by the panel's matching rule.
    Reply search(const QString &text, int limit) const;
    /// Stores the UTF-8 text as a copy; answers with the item's id once it is stored.
    void add(const QByteArray &utf8, Answer answer);
    /// As add, with the text read from `file` (a regular file, such as a sealed memfd, from where
    /// it stands) off the GUI thread, with the bound and the rules of SubmittedText.
    void addFromFile(const QDBusUnixFileDescriptor &file, Answer answer);
    /// Puts an item on the clipboard, as choosing it in the panel does, without pasting. `item` is a
    /// position in the list's order (1 = newest) or an id; the answer is the id the item has once
    /// that write has been captured.
    void copy(const QString &item, Answer answer);

public slots:
    Q_SCRIPTABLE void Toggle();
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void Quit();
    /// The wrong-layout fix on the selected text, as its hotkey runs it.
    Q_SCRIPTABLE void FixLayout();
    Q_SCRIPTABLE QString List(int limit, const QString &type, bool pinnedOnly);
    Q_SCRIPTABLE QString Search(const QString &text, int limit);
    Q_SCRIPTABLE QString Add(const QString &text);
    Q_SCRIPTABLE QString AddFromFd(const QDBusUnixFileDescriptor &text);
    Q_SCRIPTABLE QString Copy(const QString &item);
    /// Pauses the history for `seconds`, or until Resume when 0.
    Q_SCRIPTABLE void Pause(uint seconds);
    Q_SCRIPTABLE void Resume();

signals:
    Q_SCRIPTABLE void PausedChanged(bool paused, qlonglong until);

private:
    /// The reply's value; on the bus a refusal becomes an error reply.
    QString answer(const Reply &reply);
    /// Runs a command that answers later: on the bus its reply waits for that answer.
    void answerLater(const std::function<void(Answer)> &command);
    /// Why no command can be carried out now; empty when they can.
    QString refusal() const;
    /// Hands the text to capture; answers once stored.
    void capture(const QByteArray &utf8, const Answer &answer);

    AppDelegate *m_delegate = nullptr;
    Pasteboard *m_pasteboard = nullptr;
    bool m_quitting = false;
    QThreadPool m_readers;
};
