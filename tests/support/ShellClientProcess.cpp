#include "ShellClientProcess.h"

#include <QTest>

ShellClientProcess::ShellClientProcess(const QString &program)
    : m_program(program)
    , m_asUser(qEnvironmentVariable("QUILLBOX_BED_AS_USER").split(u' ', Qt::SkipEmptyParts))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ShellClientProcess::~ShellClientProcess()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool ShellClientProcess::start()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Qt wants a runtime folder of the user it runs as.
    if (!m_asUser.isEmpty()) {
        QProcess id;
        id.start(m_asUser.first(), m_asUser.mid(1) + QStringList{"id", "-u"});
        if (!id.waitForFinished(3000) || id.exitCode() != 0
            || QProcess::execute("chown", {QString::fromLatin1(id.readAllStandardOutput()).trimmed(), m_runtime.path()}) != 0)
            return false;
    }
    environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
    environment.insert("QT_QPA_PLATFORM", "wayland");
    m_process.setProcessEnvironment(environment);
    QStringList command = m_asUser + QStringList{m_program};
    m_process.start(command.takeFirst(), command);
    return answer(10000) == "ready";
}

void ShellClientProcess::send(const QString &line)
{
    m_process.write(line.toUtf8() + '\n');
}

QString ShellClientProcess::command(const QString &line, int timeoutMs)
{
    send(line);
    return answer(timeoutMs);
}

void ShellClientProcess::collect()
{
    while (m_process.canReadLine()) {
        const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
        const bool signal = line.startsWith("changed ") || line.startsWith("pressed ") || line.startsWith("started ");
        (signal ? m_signals : m_answers) << line;
    }
}

QString ShellClientProcess::answer(int timeoutMs)
{
    (void)QTest::qWaitFor(
        [&] {
            collect();
            return !m_answers.isEmpty() || m_process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
}

QString ShellClientProcess::waitForSignal(const QString &prefix, int timeoutMs)
{
    QString found;
    (void)QTest::qWaitFor(
        [&] {
            collect();
            while (found.isEmpty() && !m_signals.isEmpty()) {
                const QString line = m_signals.takeFirst();
                if (line.startsWith(prefix))
                    found = line;
            }
            return !found.isEmpty();
        },
        timeoutMs);
    return found;
}
