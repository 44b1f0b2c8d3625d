#include "KWinWorkspace.h"

#include "platform/SessionBusName.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcKWin, "quillbox.workspace", QtInfoMsg)

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString objectPath = QStringLiteral("/io/quillbox/KWinWorkspace");
const QString pluginName = QStringLiteral("io.quillbox.Quillbox.workspace");
constexpr int maxRememberedWindows = 64;
constexpr int exitTimeoutMs = 1000;

// KWin 5 speaks of clients (activeClient, clientActivated), KWin 6 of windows; KWin 5 hands the
// resource class and desktop-file name over as byte arrays (ArrayBuffer). Every argument is a string:
// a JavaScript number may reach D-Bus as an int or a double, and the call would then match no method.
constexpr auto scriptText = R"JS(
const service = %1, path = %2, iface = "io.quillbox.KWinWorkspace";
const isKWin6 = workspace.activeWindow !== undefined;
function text(value) {
    if (typeof value === "string") return value;
    if (value instanceof ArrayBuffer) return String.fromCharCode.apply(null, new Uint8Array(value));
    return value === undefined || value === null ? "" : String(value);
}
function report(window) {
    if (!window) {
        callDBus(service, path, iface, "windowActivated", "", "", "", "");
        return;
    }
    callDBus(service, path, iface, "windowActivated", String(window.internalId), text(window.resourceClass),
        text(window.desktopFileName), String(window.pid));
}
function activate(id) {
    const windows = isKWin6 ? workspace.windowList() : workspace.clientList();
    const chosen = windows.find(window => String(window.internalId) === id);
    if (!chosen) return;
    if (isKWin6) workspace.activeWindow = chosen; else workspace.activeClient = chosen;
}
function listen() {
    callDBus(service, path, iface, "nextActivation", function (id) {
        if (id) activate(id);
        listen();
    });
}
(isKWin6 ? workspace.windowActivated : workspace.clientActivated).connect(report);
report(isKWin6 ? workspace.activeWindow : workspace.activeClient);
listen();
)JS";

QString jsString(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

QDBusMessage scripting(const QString &method)
{
    return QDBusMessage::createMethodCall(
        kwinService, QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), method);
}

} // namespace

bool KWinWorkspace::isServiceAvailable()
{
    return sessionBusHasOwner(kwinService);
}

KWinWorkspace::KWinWorkspace(QObject *parent)
    : QObject(parent)
    , m_script(QDir::tempPath() + QStringLiteral("/quillbox-kwin-XXXXXX.js"))
    , m_kwinWatcher(kwinService, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForOwnerChange)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
        qCWarning(lcKWin) << "KWin's window script has nothing to report to: the active window stays unknown";
        return;
    }
    if (!m_script.open()
        || m_script.write(
               QString::fromLatin1(scriptText).arg(jsString(bus.baseService()), jsString(objectPath)).toUtf8())
            < 0
        || !m_script.flush()) {
        qCWarning(lcKWin) << "cannot write KWin's window script:" << m_script.errorString();
        return;
    }
    m_idleAnswer.setSingleShot(true);
    m_idleAnswer.setInterval(idleAnswerMs);
    connect(&m_idleAnswer, &QTimer::timeout, this, [this] { answerActivation({}); });
    m_firstReport.setSingleShot(true);
    m_firstReport.setInterval(firstReportMs);
    connect(&m_firstReport, &QTimer::timeout, this, [] {
        qCWarning(lcKWin) << "KWin's window script has not reported: no previous window is known to paste into";
    });
    connect(&m_kwinWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &oldOwner, const QString &newOwner) {
            m_kwinOwner = newOwner;
            if (!oldOwner.isEmpty()) {
                qCWarning(lcKWin) << "KWin left the session bus: no previous window is known until it is back";
                forgetWindows();
            }
            if (!newOwner.isEmpty())
                loadScript();
        });
    // Asked before the script is loaded, so the answer is in before the script's first call.
    auto *owner = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                          QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
                          QStringLiteral("GetNameOwner"))
            << kwinService),
        this);
    connect(owner, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        if (const QDBusPendingReply<QString> reply = *finished; reply.isValid() && m_kwinOwner.isEmpty())
            m_kwinOwner = reply.value();
    });
    loadScript();
}

KWinWorkspace::~KWinWorkspace()
{
    if (!m_script.isOpen())
        return;
    // The process is on its way out: the call must reach KWin before the bus connection closes, or the
    // script would stay behind reporting to nobody.
    QDBusMessage unload = scripting(QStringLiteral("unloadScript"));
    unload << pluginName;
    QDBusConnection::sessionBus().call(unload, QDBus::Block, exitTimeoutMs);
}

void KWinWorkspace::loadScript()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A run that ended without unloading leaves its script under the same name, which KWin would not
    // load twice. Calls on one connection arrive in order.
    QDBusMessage unload = scripting(QStringLiteral("unloadScript"));
    unload << pluginName;
    bus.asyncCall(unload);
    QDBusMessage load = scripting(QStringLiteral("loadScript"));
    load << m_script.fileName() << pluginName;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(load), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<int> loaded = *finished;
        if (loaded.isError() || loaded.value() < 0) {
            qCWarning(lcKWin).noquote() << "KWin did not load Quillbox's window script"
                                        << (loaded.isError() ? loaded.error().message() : QString())
                                        << "- no previous window is known to paste into";
            return;
        }
        m_reported = false;
        m_firstReport.start();
        QDBusConnection::sessionBus().asyncCall(scripting(QStringLiteral("start")));
    });
}

void KWinWorkspace::forgetWindows()
{
    m_active.reset();
    m_windowIds.clear();
    m_pendingActivation.clear();
    m_openRequest.reset();
    m_idleAnswer.stop();
    m_firstReport.stop();
}

quint32 KWinWorkspace::windowIdOf(const QString &internalId)
{
    const auto known = std::find_if(m_windowIds.begin(), m_windowIds.end(),
        [&internalId](const std::pair<quint32, QString> &window) { return window.second == internalId; });
    const quint32 id = known != m_windowIds.end() ? known->first : m_nextWindowId++;
    if (known != m_windowIds.end())
        m_windowIds.erase(known);
    m_windowIds.append({id, internalId});
    if (m_windowIds.size() > maxRememberedWindows)
        m_windowIds.removeFirst();
    return id;
}

void KWinWorkspace::windowActivated(
    const QString &id, const QString &resourceClass, const QString &desktopFileName, const QString &pid)
{
    if (!isCalledByKWin())
        return;
    if (!std::exchange(m_reported, true)) {
        m_firstReport.stop();
        qCInfo(lcKWin) << "KWin reports the active window";
    }
    if (id.isEmpty()) {
        m_active.reset();
    } else {
        bool isNumber = false;
        const qint64 processId = pid.toLongLong(&isNumber);
        m_active = Active{windowIdOf(id), resourceClass, desktopFileName, isNumber && processId > 0 ? processId : -1};
    }
    notifyFrontmostChanged();
    emit activationReported();
}

QString KWinWorkspace::nextActivation()
{
    if (!isCalledByKWin())
        return {};
    // Another call still open (a script from before a restart of KWin's) is let go.
    answerActivation({});
    if (!m_pendingActivation.isEmpty())
        return std::exchange(m_pendingActivation, {});
    setDelayedReply(true);
    m_openRequest = message();
    m_idleAnswer.start();
    return {};
}

bool KWinWorkspace::isCalledByKWin()
{
    if (!calledFromDBus())
        return false;
    if (!m_kwinOwner.isEmpty() && message().service() == m_kwinOwner)
        return true;
    sendErrorReply(QDBusError::AccessDenied, QStringLiteral("only KWin reports windows to Quillbox"));
    return false;
}

void KWinWorkspace::answerActivation(const QString &id)
{
    m_idleAnswer.stop();
    if (const auto request = std::exchange(m_openRequest, std::nullopt))
        QDBusConnection::sessionBus().send(request->createReply(id));
}

std::optional<RunningApplication> KWinWorkspace::frontmostApplication() const
{
    if (!m_active)
        return std::nullopt;
    // KWin names a Wayland window's class after its app id; the desktop-file name is KWin's own guess.
    RunningApplication application = m_desktopEntries.application(m_active->resourceClass, m_active->desktopFileName);
    if (application.windowClass.isEmpty())
        return std::nullopt;
    application.windowId = m_active->windowId;
    application.processIdentifier = m_active->pid;
    return application;
}

void KWinWorkspace::activate(const RunningApplication &application)
{
    const auto known = std::find_if(m_windowIds.cbegin(), m_windowIds.cend(),
        [&application](const std::pair<quint32, QString> &window) { return window.first == application.windowId; });
    if (known == m_windowIds.cend())
        return;
    if (m_openRequest)
        answerActivation(known->second);
    else
        m_pendingActivation = known->second;
}
