#include "QuillboxProcess.h"

#include "model/Preferences.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

QuillboxProcess::QuillboxProcess()
    : m_asUser(qEnvironmentVariable("QUILLBOX_BED_AS_USER").split(u' ', Qt::SkipEmptyParts))
    , m_connection(QStringLiteral("quillbox-process-%1").arg(quintptr(this)))
{
}

QuillboxProcess::~QuillboxProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool QuillboxProcess::start(const QString &readyLine, const QProcessEnvironment &extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_home.path());
    env.insert("XDG_DATA_HOME", m_home.filePath(".local/share"));
    env.insert("XDG_CONFIG_HOME", m_home.filePath(".config"));
    env.insert("XDG_CACHE_HOME", m_home.filePath(".cache"));
    env.insert("TMPDIR", m_home.path());
    // The test's own runtime folder belongs to the test's user.
    if (!m_asUser.isEmpty()) {
        QDir(m_home.path()).mkdir("runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", m_home.filePath("runtime"));
    }
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    if (!firstRun) {
        QDir().mkpath(QFileInfo(preferencesPath()).absolutePath());
        Preferences(preferencesPath()).setHasSeenOnboarding(true);
    }
    if (!m_asUser.isEmpty() && !handHomeOver())
        return false;
    QStringList line = command(arguments);
    m_process.start(line.takeFirst(), line);
    if (!m_process.waitForStarted())
        return false;
    // KWin hashes the executable behind each Wayland connection of a client it may trust with
    // fake-input, and the program opens several: seconds on a busy machine.
    const QDeadlineTimer deadline(m_asUser.isEmpty() ? 10000 : 30000);
    while (!readyLine.isEmpty() && !output().contains(readyLine)) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(50);
    }
    if (firstRun || !qEnvironmentVariableIsSet("DISPLAY"))
        return true;
    if (!waitForWindow("Quillbox"))
        return false;
    QProcess::execute("xdotool", {"key", "Escape"});
    return waitForWindow("Quillbox", false);
}

bool QuillboxProcess::hasVisibleWindow(const QString &title)
{
    return !visibleWindows(title).isEmpty();
}

QStringList QuillboxProcess::visibleWindows(const QString &title)
{
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"});
    search.waitForFinished(3000);
    QStringList windows;
    for (const QString &id : QString::fromUtf8(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        // The tray icon's window carries the program's name too; it is never one of its windows.
        if (windowSize(id).height() > trayIconMaxHeight)
            windows.append(id);
    }
    return windows;
}

QSize QuillboxProcess::windowSize(const QString &window)
{
    QProcess geometry;
    geometry.start("xdotool", {"getwindowgeometry", window});
    geometry.waitForFinished(3000);
    const QRegularExpression size(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    const auto match = size.match(QString::fromUtf8(geometry.readAllStandardOutput()));
    return match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
}

bool QuillboxProcess::waitForWindow(const QString &title, bool visible, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (hasVisibleWindow(title) != visible) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

QString QuillboxProcess::activeWindowName()
{
    QProcess name;
    name.start("xdotool", {"getactivewindow", "getwindowname"});
    name.waitForFinished(3000);
    return QString::fromUtf8(name.readAllStandardOutput()).trimmed();
}

void QuillboxProcess::pressHotkey(const QString &combo)
{
    const QString key = combo.section(u'+', -1);
    const QString modifiers = combo.section(u'+', 0, -2);
    QProcess::execute("xdotool", {"keydown", combo});
    QTest::qWait(150);
    QProcess::execute("xdotool", {"keyup", key});
    QTest::qWait(250);
    QProcess::execute("xdotool", {"keyup", modifiers});
}

int QuillboxProcess::startSecondInstance(const QStringList &arguments)
{
    QProcess second;
    second.setProcessEnvironment(m_process.processEnvironment());
    QStringList line = command(arguments);
    second.start(line.takeFirst(), line);
    // Events keep flowing meanwhile: the command may read a selection this test process owns.
    if (!QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000)) {
        second.kill();
        return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

QStringList QuillboxProcess::command(const QStringList &arguments) const
{
    return m_asUser + QStringList{qEnvironmentVariable("QUILLBOX_BINARY")} + arguments;
}

bool QuillboxProcess::handHomeOver()
{
    QProcess id;
    id.start(m_asUser.first(), m_asUser.mid(1) + QStringList{"id", "-u"});
    if (!id.waitForFinished(3000) || id.exitCode() != 0)
        return false;
    const QString uid = QString::fromLatin1(id.readAllStandardOutput()).trimmed();
    return QProcess::execute("chown", {"-R", uid, m_home.path()}) == 0;
}

int QuillboxProcess::terminate()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString QuillboxProcess::storePath() const
{
    return m_home.filePath(".local/share/Quillbox/Quillbox.sqlite");
}

QString QuillboxProcess::output()
{
    m_output += m_process.readAllStandardOutput();
    return QString::fromUtf8(m_output);
}

QString QuillboxProcess::errorOutput()
{
    m_errorOutput += m_process.readAllStandardError();
    return QString::fromUtf8(m_errorOutput);
}

QSqlDatabase QuillboxProcess::database()
{
    if (!QSqlDatabase::contains(m_connection)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", m_connection);
        db.setDatabaseName(storePath());
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000");
        db.open();
    }
    return QSqlDatabase::database(m_connection);
}

QList<QVariantList> QuillboxProcess::rows(const QString &sql)
{
    QList<QVariantList> result;
    QSqlQuery query(database());
    if (!query.exec(sql))
        return result;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row.append(query.value(i));
        result.append(row);
    }
    return result;
}

QVariant QuillboxProcess::query(const QString &sql)
{
    const auto result = rows(sql);
    return result.isEmpty() ? QVariant() : result.first().value(0);
}

bool QuillboxProcess::waitFor(const QString &sql, const std::function<bool(const QVariant &)> &accept, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (accept(query(sql)))
            return true;
        QTest::qWait(25);
    }
    return accept(query(sql));
}

bool QuillboxProcess::waitForNewest(const QString &content, int timeoutMs)
{
    return waitFor(
        "SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
        [&](const QVariant &newest) { return newest.toString() == content; }, timeoutMs);
}
