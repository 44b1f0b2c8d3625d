#include "PasteTarget.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>

namespace {

// A paste lands within a few hundred milliseconds; a text that has not arrived by then was lost.
constexpr int arrivalMs = 2000;

} // namespace

QString PasteTarget::Tally::summary() const
{
    return QStringLiteral("%1: %2/%3 pastes arrived").arg(program).arg(arrived).arg(rounds)
        + (faults.isEmpty() ? QString() : QStringLiteral("; ") + faults.join(QStringLiteral("; ")));
}

PasteTarget::PasteTarget(Program program)
{
    const QString file = m_dir.filePath("received");
    // Without canonical mode the terminal hands every pasted byte to cat at once, not at a newline.
    const QStringList terminalInput{"sh", "-c", "stty -icanon -echo; exec cat > '" + file + "'"};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    switch (program) {
    case Program::Xterm:
        m_name = QStringLiteral("xterm");
        m_appId = QStringLiteral("XTerm");
        m_process.setProgram("xterm");
        m_process.setArguments(QStringList{"-class", m_appId, "-T", m_name, "-e"} + terminalInput);
        break;
    case Program::Foot:
        // The app id the terminal's paste chord is known by.
        m_name = m_appId = QStringLiteral("foot");
        m_process.setProgram("foot");
        m_process.setArguments(QStringList{"--app-id", m_appId, "--title", m_name} + terminalInput);
        break;
    case Program::QtEditor:
        m_name = QStringLiteral("Qt editor");
        m_appId = QStringLiteral("quillbox-qt-editor");
        m_process.setProgram(QT_EDITOR);
        m_process.setArguments({m_name, m_appId, file});
        break;
    case Program::GtkEditor:
        m_name = QStringLiteral("GTK editor");
        m_appId = QStringLiteral("quillbox-gtk-editor");
        environment.insert("GDK_BACKEND", QGuiApplication::platformName() == "wayland" ? "wayland" : "x11");
        // Debian's interpreter, which python3-gi belongs to, whatever else PATH holds.
        m_process.setProgram("/usr/bin/python3");
        m_process.setArguments({GTK_EDITOR, m_name, m_appId, file});
        break;
    }
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

PasteTarget::~PasteTarget()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool PasteTarget::start()
{
    m_process.start();
    const QString file = m_dir.filePath("received");
    return m_process.waitForStarted()
        && QTest::qWaitFor([&] { return QFile::exists(file) || m_process.state() == QProcess::NotRunning; }, 10000)
        && m_process.state() == QProcess::Running;
}

QByteArray PasteTarget::received() const
{
    QFile file(m_dir.filePath("received"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PasteTarget::Tally PasteTarget::pasteInARow(int rounds, const std::function<QString(const QString &)> &paste)
{
    Tally tally{name(), rounds, 0, {}};
    QByteArray before = received();
    for (int round = 1; round <= rounds; ++round) {
        const QString text = QStringLiteral("[round %1]").arg(round, 2, 10, QLatin1Char('0'));
        if (const QString why = paste(text); !why.isEmpty()) {
            tally.faults << QStringLiteral("the run ended in round %1: %2").arg(round).arg(why);
            break;
        }
        const QByteArray wanted = before + text.toUtf8();
        if (QTest::qWaitFor([&] { return received() == wanted; }, arrivalMs)) {
            ++tally.arrived;
            before = wanted;
            continue;
        }
        // What came instead, counted from here on, so one fault does not spoil the rounds after it.
        const QByteArray now = received();
        const QByteArray arrived = now.startsWith(before) ? now.mid(before.size()) : now;
        tally.faults << QStringLiteral("round %1 sent \"%2\", %3 arrived")
                            .arg(round)
                            .arg(text, arrived.isEmpty() ? QStringLiteral("nothing")
                                                         : u'"' + QString::fromUtf8(arrived) + u'"');
        before = now;
    }
    return tally;
}
