#include "PasteService.h"

#include "KeyCombo.h"
#include "KeySynthesizer.h"
#include "ScriptRunner.h"
#include "SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

const QString logCategory = QStringLiteral("PasteService");

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void appendToFile(const QString &path, const QByteArray &bytes)
{
    // O_APPEND creates the file on first use with owner-only access (it may hold clipboard text) and
    // afterwards only ever adds to its end.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    ::close(fd);
}

} // namespace

PasteService::PasteService(
    KeySynthesizer &keys, SystemLog &systemLog, ScriptRunner &script, QString debugLogPath, Clock &clock)
    : m_keys(keys)
    , m_systemLog(systemLog)
    , m_script(script)
    , m_debugLogPath(std::move(debugLogPath))
    , m_clock(clock)
{
}

QString PasteService::defaultDebugLogPath()
{
    static const QString path = QDir::homePath() + QStringLiteral("/quillbox_debug.log");
    return path;
}

void PasteService::simulatePaste(const KeyCombo &chord, Done done)
{
    log(QStringLiteral("simulatePaste called"));
    if (chord != controlV)
        log(QStringLiteral("Paste chord: ") + chord.keysText());
    performKeyEventPaste(chord, std::move(done));
}

void PasteService::performKeyEventPaste(const KeyCombo &chord, Done done)
{
    const bool available = m_keys.isAvailable();
    log(m_keys.mechanism() + QStringLiteral(" available: ") + boolText(available));
    if (!available) {
        log(QStringLiteral("Not trusted — trying script fallback"));
        pasteViaScript(chord, std::move(done));
        return;
    }
    // Like the event source it stands for, a missing connection is only reported: the key events
    // themselves then fail and take the script route.
    log(m_keys.mechanism() + QStringLiteral(" connection: ") + boolText(m_keys.hasConnection()));
    m_keys.pressChord(int(chord.keyCode), chord.modifiers, [this, chord, done = std::move(done)](bool sent) mutable {
        if (!sent) {
            log(QStringLiteral("Failed to create key events — trying script"));
            pasteViaScript(chord, std::move(done));
            return;
        }
        log(QStringLiteral("Paste simulated via %1 SUCCESS").arg(m_keys.mechanism()));
        if (done)
            done();
    });
}

void PasteService::pasteViaScript(const KeyCombo &chord, Done done)
{
    log(QStringLiteral("Trying script paste"));
    m_script.runPaste(chord, [this, done = std::move(done)](const ScriptRunner::Result &result) {
        if (result.success)
            log(QStringLiteral("Paste simulated via script SUCCESS"));
        else
            log(QStringLiteral("Script error: ") + result.error);
        if (done)
            done();
    });
}

void PasteService::log(const QString &message)
{
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_systemLog.info(logCategory, message);
    // Bounded: a program that runs for months must not fill the home folder with its log.
    if (QFileInfo(m_debugLogPath).size() > m_maxDebugLogBytes) {
        const QString previous = m_debugLogPath + QStringLiteral(".1");
        QFile::remove(previous);
        QFile::rename(m_debugLogPath, previous);
    }
    appendToFile(m_debugLogPath, (u'[' + stamp + QStringLiteral(" +0000] ") + message + u'\n').toUtf8());
}
