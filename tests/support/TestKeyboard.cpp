#include "TestKeyboard.h"

#include "KeyChord.h"

#include <QTest>

TestKeyboard::TestKeyboard(Road road)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList command{WL_KEYBOARD};
    if (road == Road::KWinFakeInput)
        command << "--fake-input";
    else if (road == Road::VirtualKeyboardWhilePressing)
        command << "--unplugged";
    command << "us";
    // As the compositor's user where the bed says a client must be to be granted fake-input.
    if (road == Road::KWinFakeInput)
        command = qEnvironmentVariable("QUILLBOX_BED_AS_USER").split(u' ', Qt::SkipEmptyParts) + command;
    m_process.start(command.takeFirst(), command);
    m_ready
        = QTest::qWaitFor([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 5000)
        && m_process.readLine().trimmed() == "ready";
    if (!m_ready)
        qWarning("The test keyboard did not join the seat");
}

TestKeyboard::~TestKeyboard()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(2000))
        m_process.kill();
}

bool TestKeyboard::press(const QString &chord)
{
    const std::optional<KeyChord> keys = KeyChord::parse(chord);
    if (!keys) {
        qWarning("test keyboard: no keys make the chord %s", qPrintable(chord));
        return false;
    }
    QStringList codes;
    for (unsigned key : keys->modifiers + QList<unsigned>{keys->key})
        codes << QString::number(key);
    return command("press " + codes.join(u' '));
}

bool TestKeyboard::setLayouts(const QStringList &layouts)
{
    return command("layouts " + layouts.join(u','));
}

bool TestKeyboard::command(const QString &line)
{
    if (!m_ready)
        return false;
    m_process.write(line.toUtf8() + '\n');
    // The test's own windows keep receiving their events while the keys go out.
    if (!QTest::qWaitFor([this] { return m_process.canReadLine(); }, 5000))
        return false;
    const QByteArray answer = m_process.readLine().trimmed();
    if (answer != "ok")
        qWarning("wl-keyboard: %s: %s", qPrintable(line), answer.constData());
    return answer == "ok";
}
