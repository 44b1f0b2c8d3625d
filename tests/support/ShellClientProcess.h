#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

/// tests/support/shell-client, the tests' own client of Quillbox's GNOME Shell extension, as a process
/// the test sends command lines to. It runs as the user the bed names (QUILLBOX_BED_AS_USER), the
/// Shell's, whose processes' executables the Shell can read. Signal lines ("changed ...", "pressed ...")
/// are kept apart from the answers to commands.
class ShellClientProcess {
public:
    /// `program`: the client the bed's extension serves (QUILLBOX_BED_GNOME_CLIENT), or a copy elsewhere.
    explicit ShellClientProcess(const QString &program = qEnvironmentVariable("QUILLBOX_BED_GNOME_CLIENT"));
    ~ShellClientProcess();

    /// Starts the client and waits until it reads commands.
    bool start();
    /// Sends a command and returns its answer ("ok ...", "error NAME"); empty when none came in time.
    QString command(const QString &line, int timeoutMs = 20000);
    /// Sends a command whose answer answer() collects later.
    void send(const QString &line);
    QString answer(int timeoutMs = 20000);
    /// The first signal line that starts with `prefix`, waited for; it and the lines before it are taken.
    QString waitForSignal(const QString &prefix, int timeoutMs = 5000);
    qint64 pid() const { return m_process.processId(); }

private:
    /// Reads what the client printed into the answer and signal queues.
    void collect();

    const QString m_program;
    const QStringList m_asUser;
    QTemporaryDir m_runtime;
    QProcess m_process;
    QStringList m_answers;
    QStringList m_signals;
};
