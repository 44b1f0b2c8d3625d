#include "AppDelegate.h"

#include "capture/ClipboardMonitor.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "services/ConsoleLog.h"
#include "services/HotkeyService.h"
#include "services/LanguageSwitchService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcDelegate, "quillbox.delegate", QtInfoMsg)

AppDelegate::AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
{
}

AppDelegate::AppDelegate(
    Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent)
    : AppDelegate(pasteboard, workspace, parent)
{
    m_services = services;
}

AppDelegate::~AppDelegate() = default;

QString AppDelegate::preferencesPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Quillbox/Quillbox.conf");
}

void AppDelegate::applicationDidFinishLaunching()
{
    setupModelContainer();
    startClipboardMonitoring();
    setupLanguageFix();
}

void AppDelegate::applicationWillTerminate()
{
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->unregister(LanguageSwitchService::hotkeyId);
    if (m_clipboardMonitor)
        m_clipboardMonitor->stopMonitoring();
    if (m_modelContainer)
        m_modelContainer->mainContext().save();
}

void AppDelegate::setupModelContainer()
{
    QString error;
    QElapsedTimer timer;
    timer.start();
    m_modelContainer = ModelContainer::open(ModelContainer::defaultPath(), &error);
    qCDebug(lcDelegate) << "store opened in" << timer.elapsed() << "ms";
    if (!m_modelContainer) {
        printLine(QStringLiteral("Failed to create ModelContainer: ") + error);
        return;
    }
    seedDefaultCategories();
    seedDefaultTemplates();
}

namespace {

// Inserts the record type's default set into a store that holds none of that type.
template <class Record> bool seedWhenEmpty(ModelContainer *container)
{
    if (!container || container->mainContext().count<Record>() > 0)
        return false;
    Record::insertDefaults(container->mainContext());
    return true;
}

} // namespace

void AppDelegate::seedDefaultCategories()
{
    if (seedWhenEmpty<ClipCategory>(m_modelContainer.get()))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default categories").arg(ClipCategory::defaults.size()));
}

void AppDelegate::seedDefaultTemplates()
{
    if (seedWhenEmpty<PasteTemplate>(m_modelContainer.get()))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default templates").arg(PasteTemplate::defaults.size()));
}

void AppDelegate::startClipboardMonitoring()
{
    if (!m_modelContainer)
        return;
    m_clipboardMonitor = std::make_unique<ClipboardMonitor>(*m_modelContainer, m_pasteboard, m_workspace);
    m_clipboardMonitor->startMonitoring();
    emit captureStarted();
}

namespace {

// Only a stored boolean false turns the fix off; a missing or unreadable value keeps the default.
bool languageFixEnabled()
{
    const QVariant value
        = QSettings(AppDelegate::preferencesPath(), QSettings::IniFormat).value(QStringLiteral("enableLanguageFix"));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // INI values come back as strings.
    return value.toString().compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0;
}

} // namespace

void AppDelegate::setupLanguageFix()
{
    const PlatformServices &s = m_services;
    if (!s.hotkeyGrabber || !s.keySynthesizer || !s.keyboardLayouts || !s.systemLog)
        return;
    if (!HotkeyService::shared())
        m_hotkeyService = std::make_unique<HotkeyService>(*s.hotkeyGrabber);
    // The service exists even when disabled, so enabling it later keeps one cycle position.
    m_languageSwitch
        = std::make_unique<LanguageSwitchService>(m_pasteboard, *s.keySynthesizer, *s.keyboardLayouts, *s.systemLog);
    if (m_clipboardMonitor) {
        connect(m_languageSwitch.get(), &LanguageSwitchService::clipboardBorrowed, m_clipboardMonitor.get(),
            &ClipboardMonitor::pauseCapture);
        connect(m_languageSwitch.get(), &LanguageSwitchService::clipboardReturned, m_clipboardMonitor.get(),
            &ClipboardMonitor::resumeCapture);
    }
    if (languageFixEnabled())
        m_languageSwitch->registerHotkey();
}
