#include "DesktopShortcutsView.h"

#include <QProcess>

namespace {
constexpr int programTimeoutMs = 5000;
} // namespace

DesktopShortcutsView::DesktopShortcutsView(Desktop desktop, const QList<HotkeyBindingInstructions::Binding> &bindings,
    const QString &program, Runner runner, QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_bindings(bindings)
    , m_program(program)
    , m_runner(std::move(runner))
    , m_instructions(HotkeyBindingInstructions::text(desktop, bindings, program))
{
}

DesktopShortcutsView::~DesktopShortcutsView()
{
    // The commands end within their timeouts; the thread must not outlive the runner it calls.
    if (m_worker)
        m_worker->wait();
}

void DesktopShortcutsView::addToDesktop()
{
    if (!canAddToDesktop() || m_worker)
        return;
    m_worker.reset(QThread::create([this] {
        const QString status = addCommands();
        QMetaObject::invokeMethod(
            this, [this, status] { finishAdding(status); }, Qt::QueuedConnection);
    }));
    m_worker->start();
    emit statusChanged();
}

QString DesktopShortcutsView::addCommands() const
{
    const Command read = HotkeyBindingInstructions::gnomeReadCommand();
    const std::optional<QString> existing = m_runner(read);
    if (!existing)
        return tr("Could not read GNOME's custom shortcuts: %1 failed").arg(read.program);
    for (const Command &command : HotkeyBindingInstructions::gnomeCommands(m_bindings, m_program, *existing)) {
        if (!m_runner(command))
            return tr("Could not add the shortcuts: %1 %2 failed").arg(command.program, command.arguments.join(u' '));
    }
    return tr("Added to GNOME's custom shortcuts.");
}

std::optional<QString> DesktopShortcutsView::runProgram(const Command &command)
{
    QProcess process;
    process.start(command.program, command.arguments);
    if (!process.waitForFinished(programTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void DesktopShortcutsView::finishAdding(const QString &status)
{
    m_worker->wait();
    m_worker.reset();
    m_status = status;
    emit statusChanged();
}
