#include "GnomeExtensionView.h"

GnomeExtensionView::GnomeExtensionView(
    const QString &advice, bool canEnable, bool loadsAtOnce, const QString &program, QObject *parent)
    : QObject(parent)
    , m_advice(advice)
    , m_canEnable(canEnable)
    , m_loadsAtOnce(loadsAtOnce)
    , m_program(program)
{
}

GnomeExtensionView::~GnomeExtensionView()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

QString GnomeExtensionView::command() const
{
    return QStringLiteral("gnome-extensions enable ") + uuid;
}

void GnomeExtensionView::enable()
{
    if (!m_canEnable || m_process)
        return;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(tr("Could not run gnome-extensions: it is not installed."));
    });
    connect(m_process.get(), &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus exitStatus) {
        if (exitStatus != QProcess::NormalExit || exitCode != 0) {
            const QString said = QString::fromLocal8Bit(m_process->readAll()).trimmed();
            finish(tr("Could not enable the extension: %1").arg(said.isEmpty() ? tr("gnome-extensions failed") : said));
            return;
        }
        finish(m_loadsAtOnce ? tr("The extension is enabled. Quit and start Quillbox again to use it.")
                             : tr("The extension is enabled. It loads when you log out and back in."));
    });
    emit statusChanged();
    m_process->start(m_program, {QStringLiteral("enable"), uuid});
}

void GnomeExtensionView::finish(const QString &status)
{
    // Let go after this signal has been handled: the process is still emitting it.
    if (m_process)
        m_process.release()->deleteLater();
    m_status = status;
    emit statusChanged();
}
