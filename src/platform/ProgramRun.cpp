#include "ProgramRun.h"

#include <utility>

void ProgramRun::start(QObject &owner, const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, int timeoutMs, Report report)
{
    auto *run = new ProgramRun(owner, program, timeoutMs, std::move(report));
    run->m_process.setProcessEnvironment(environment);
    run->m_deadline.start(timeoutMs);
    run->m_process.start(program, arguments, QIODevice::ReadOnly);
}

ProgramRun::ProgramRun(QObject &owner, const QString &program, int timeoutMs, Report report)
    : QObject(&owner)
    , m_program(program)
    , m_timeoutMs(timeoutMs)
    , m_report(std::move(report))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish({false, QStringLiteral("%1 did not finish within %2 ms").arg(m_program).arg(m_timeoutMs)});
        // finished() follows the kill and disposes of the run.
        m_process.kill();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A program that started reports through finished(), which says more.
        if (error != QProcess::FailedToStart)
            return;
        finish({false, m_process.errorString()});
        deleteLater();
    });
    connect(&m_process, &QProcess::finished, this, &ProgramRun::processFinished);
}

ProgramRun::~ProgramRun()
{
    // Only when the owner goes with the program still running, as Quillbox quits: nobody is left to
    // take the report. The killed program ends at once; reaping it leaves no zombie behind.
    m_report = nullptr;
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(100);
    }
}

void ProgramRun::processFinished(int exitCode, QProcess::ExitStatus status)
{
    if (status != QProcess::NormalExit) {
        finish({false, QStringLiteral("%1 crashed").arg(m_program)});
    } else if (exitCode != 0) {
        const QString output = QString::fromUtf8(m_process.readAllStandardError()).trimmed();
        finish(
            {false, output.isEmpty() ? QStringLiteral("%1 exited with code %2").arg(m_program).arg(exitCode) : output});
    } else {
        finish({true, {}});
    }
    deleteLater();
}

void ProgramRun::finish(const ScriptRunner::Result &result)
{
    m_deadline.stop();
    // Once: after the deadline's report, the killed program's end says nothing new.
    if (const Report report = std::exchange(m_report, nullptr))
        report(result);
}
