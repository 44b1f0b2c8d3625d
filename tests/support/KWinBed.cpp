#include "KWinBed.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTest>

namespace {

constexpr auto objectPath = "/io/quillbox/TestBed";

// The names differ between KWin 5 and 6; resourceClass is a byte array (an ArrayBuffer) in 5.
constexpr auto scriptPrologue = R"JS(
const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
const isKWin6 = workspace.activeWindow !== undefined;
function active() { return isKWin6 ? workspace.activeWindow : workspace.activeClient; }
function activate(window) { if (isKWin6) workspace.activeWindow = window; else workspace.activeClient = window; }
function text(value) {
    if (typeof value === "string") return value;
    if (value instanceof ArrayBuffer) return String.fromCharCode.apply(null, new Uint8Array(value));
    return value === undefined || value === null ? "" : String(value);
}
)JS";

constexpr auto scriptReport = R"JS(
const focused = active();
callDBus(%1, %2, "io.quillbox.TestBed", "report", %3, JSON.stringify(windows
    .filter(window => !window.desktopWindow && !window.dock)
    .map(window => ({appId: text(window.resourceClass), title: text(window.caption), focused: window === focused,
        x: window.frameGeometry.x, y: window.frameGeometry.y,
        width: window.frameGeometry.width, height: window.frameGeometry.height}))));
)JS";

QString jsString(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

QDBusInterface scripting()
{
    return QDBusInterface(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
        QStringLiteral("org.kde.kwin.Scripting"), QDBusConnection::sessionBus());
}

} // namespace

KWinBed::KWinBed()
    : m_keyboard(TestKeyboard::Road::KWinFakeInput)
{
    if (!QDBusConnection::sessionBus().registerObject(
            QLatin1String(objectPath), this, QDBusConnection::ExportScriptableSlots))
        qWarning("KWin's scripts cannot report to the test");
}

void KWinBed::report(const QString &script, const QString &windows)
{
    if (script == m_reportOf)
        m_report = QJsonDocument::fromJson(windows.toUtf8()).array();
}

std::optional<QJsonArray> KWinBed::runScript(const QString &action)
{
    const QString pluginName = QStringLiteral("quillbox-bed-%1").arg(++m_scripts);
    QTemporaryFile file(QStringLiteral("/tmp/quillbox-bed-XXXXXX.js"));
    if (!file.open())
        return std::nullopt;
    file.write(QString(scriptPrologue + action
        + QString(scriptReport)
              .arg(jsString(QDBusConnection::sessionBus().baseService()), jsString(QLatin1String(objectPath)),
                  jsString(pluginName)))
                   .toUtf8());
    file.close();
    // KWin runs as another user.
    file.setPermissions(file.permissions() | QFileDevice::ReadOther);
    m_reportOf = pluginName;
    m_report.reset();
    // KWin 5 names a loaded script's object /N, KWin 6 /Scripting/ScriptN: start() runs every loaded one.
    QDBusInterface kwin = scripting();
    const QDBusReply<int> id = kwin.call(QStringLiteral("loadScript"), file.fileName(), pluginName);
    if (!id.isValid() || id.value() < 0) {
        qWarning("KWin did not load a script: %s", qPrintable(id.error().message()));
        return std::nullopt;
    }
    kwin.call(QStringLiteral("start"));
    const bool reported = QTest::qWaitFor([this] { return m_report.has_value(); }, 5000);
    kwin.call(QStringLiteral("unloadScript"), pluginName);
    if (!reported)
        qWarning("KWin's script did not report");
    return m_report;
}

QList<WaylandBed::Window> KWinBed::windows()
{
    QList<Window> all;
    for (const QJsonValue &value : runScript({}).value_or(QJsonArray())) {
        const QJsonObject window = value.toObject();
        all.append(
            Window{window.value("appId").toString(), window.value("title").toString(), window.value("focused").toBool(),
                QRect(window.value("x").toInt(), window.value("y").toInt(), window.value("width").toInt(),
                    window.value("height").toInt())});
    }
    return all;
}

bool KWinBed::focusWindow(const QString &title)
{
    const QString action = QStringLiteral("const chosen = windows.find(window => text(window.caption) === %1);\n"
                                          "if (chosen) activate(chosen);\n")
                               .arg(jsString(title));
    return runScript(action).has_value() && waitForFocusedTitle(title);
}

bool KWinBed::setLayouts(const QStringList &layouts)
{
    const XkbNames xkb = xkbNames(layouts);
    if (!writeSettings(QStringLiteral("kxkbrc"),
            QStringLiteral("[Layout]\nLayoutList=%1\nVariantList=%2\nUse=true\n")
                .arg(xkb.layouts, xkb.variants)
                .toUtf8()))
        return false;
    // What the keyboard settings module sends after it saves.
    QDBusConnection::sessionBus().send(QDBusMessage::createSignal(
        QStringLiteral("/Layouts"), QStringLiteral("org.kde.keyboard"), QStringLiteral("reloadConfig")));
    return waitForKeymap(layouts);
}

bool KWinBed::press(const QString &chord)
{
    return m_keyboard.press(chord);
}
