#pragma once

#include "services/ScriptRunner.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include <functional>

/// One run of an external program that nobody waits for: QProcess reports how it went, and a
/// deadline kills it when it hangs. GUI thread only.
class ProgramRun : public QObject {
    Q_OBJECT

public:
    using Report = std::function<void(const ScriptRunner::Result &)>;

    /// Starts `program` and returns at once. `report` runs once, on this thread: when the program
    /// ends (success is exit code 0), cannot be started, or is still running after `timeoutMs` (then
    /// it is killed). It may run before start() returns. The run belongs to `owner`: destroyed with
    /// it, it kills the program and drops the report.
    static void start(QObject &owner, const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment, int timeoutMs, Report report);
    ~ProgramRun() override;

private:
    ProgramRun(QObject &owner, const QString &program, int timeoutMs, Report report);
    void finish(const ScriptRunner::Result &result);
    void processFinished(int exitCode, QProcess::ExitStatus status);

    QProcess m_process;
    QTimer m_deadline;
    QString m_program;
    int m_timeoutMs;
    Report m_report;
};
