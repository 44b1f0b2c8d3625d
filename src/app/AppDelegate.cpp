#include "AppDelegate.h"

#include "capture/ClipboardMonitor.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "services/ConsoleLog.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDelegate, "quillbox.delegate", QtInfoMsg)

AppDelegate::AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    setupModelContainer();
    startClipboardMonitoring();
}

void AppDelegate::applicationWillTerminate()
{
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
}
