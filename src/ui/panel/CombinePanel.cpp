#include "CombinePanel.h"

#include "model/ModelContext.h"
#include "model/PasteTemplate.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QUrl>

namespace {

const QString defaultTemplateName = QStringLiteral("New Line");
const QString numberedTemplateName = QStringLiteral("Numbered");

QList<std::shared_ptr<PasteTemplate>> fetchTemplates(const ModelContext &context)
{
    FetchDescriptor<PasteTemplate> descriptor;
    descriptor.sortBy = SortDescriptor<PasteTemplate>(&PasteTemplate::sortOrder);
    return context.fetch(descriptor);
}

QString itemText(const ClipboardItem &item)
{
    const QString &content = item.content();
    switch (item.type()) {
    case ClipboardItemType::file:
        return ClipboardItem::lastPathComponent(ClipboardItem::filePath(content));
    case ClipboardItemType::image:
        return content.contains(u'/') ? ClipboardItem::lastPathComponent(content) : content;
    case ClipboardItemType::text:
    case ClipboardItemType::url:
    case ClipboardItemType::richText:
        break;
    }
    return content.trimmed();
}

} // namespace

CombinePanel::CombinePanel(
    ModelContext &context, QList<std::shared_ptr<ClipboardItem>> items, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_items(std::move(items))
    , m_schedule(clock.scheduler(this))
{
    // The chips follow the store; the preview deliberately does not.
    const auto onRecord = [this](const std::shared_ptr<StoredRecord> &record) {
        if (record->recordType() != RecordType::pasteTemplate)
            return;
        emit templatesChanged();
        emit selectedTemplateIndexChanged(); // the default template's position may have moved
    };
    connect(&m_context, &ModelContext::recordInserted, this, onRecord);
    connect(&m_context, &ModelContext::recordRemoved, this, onRecord);
    connect(&m_context, &ModelContext::recordChanged, this, onRecord);
}

CombinePanel::~CombinePanel()
{
    removeKeyMonitor();
}

QStringList CombinePanel::templateNames() const
{
    QStringList names;
    // The default templates' stored English names have translations; nothing else matches one.
    for (const auto &pasteTemplate : fetchTemplates(m_context))
        names.append(QCoreApplication::translate("PasteTemplate", pasteTemplate->name().toUtf8().constData()));
    return names;
}

int CombinePanel::defaultTemplateIndex() const
{
    const auto templates = fetchTemplates(m_context);
    for (int i = 0; i < templates.size(); ++i) {
        if (templates.at(i)->name() == defaultTemplateName)
            return i;
    }
    return 0;
}

int CombinePanel::effectiveIndex() const
{
    return m_selectedTemplateIndex >= 0 ? m_selectedTemplateIndex : defaultTemplateIndex();
}

std::shared_ptr<PasteTemplate> CombinePanel::selectedTemplate() const
{
    const auto templates = fetchTemplates(m_context);
    const int index = effectiveIndex();
    if (index >= templates.size())
        return nullptr;
    return templates.at(index);
}

QStringList CombinePanel::itemTexts() const
{
    QStringList texts;
    texts.reserve(m_items.size());
    for (const auto &item : m_items)
        texts.append(itemText(*item));
    return texts;
}

void CombinePanel::shown()
{
    updatePreview();
    setupKeyMonitor();
}

void CombinePanel::setupKeyMonitor()
{
    if (!m_keyMonitorInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_keyMonitorInstalled = true;
    }
}

void CombinePanel::removeKeyMonitor()
{
    if (m_keyMonitorInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_keyMonitorInstalled = false;
}

void CombinePanel::updatePreview()
{
    const QStringList texts = itemTexts();
    const auto pasteTemplate = selectedTemplate();
    QString preview;
    if (!pasteTemplate) {
        preview = texts.join(u'\n');
    } else if (pasteTemplate->name() == numberedTemplateName) {
        QStringList lines;
        lines.reserve(texts.size());
        for (int i = 0; i < texts.size(); ++i)
            lines.append(QString::number(i + 1) + QStringLiteral(". ") + texts.at(i));
        preview = lines.join(u'\n');
    } else {
        preview = pasteTemplate->combine(texts);
    }
    if (preview == m_preview)
        return;
    m_preview = preview;
    emit previewChanged();
}

void CombinePanel::nextTemplate()
{
    const int count = int(fetchTemplates(m_context).size());
    if (count == 0)
        return;
    setSelectedTemplateIndex((effectiveIndex() + 1) % count);
}

void CombinePanel::previousTemplate()
{
    const int count = int(fetchTemplates(m_context).size());
    if (count == 0)
        return;
    const int index = effectiveIndex();
    setSelectedTemplateIndex(index >= 1 ? index - 1 : count - 1);
}

void CombinePanel::clickChip(int index)
{
    if (index != m_selectedTemplateIndex) {
        m_selectedTemplateIndex = index;
        emit selectedTemplateIndexChanged();
    }
    updatePreview();
}

void CombinePanel::paste()
{
    emit pasteRequested(m_preview);
}

void CombinePanel::cancel()
{
    emit cancelRequested();
}

bool CombinePanel::monitorKeyDown(int key)
{
    void (CombinePanel::*action)() = nullptr;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        action = &CombinePanel::paste;
        break;
    case Qt::Key_Escape:
        action = &CombinePanel::cancel;
        break;
    case Qt::Key_Right:
        action = &CombinePanel::nextTemplate;
        break;
    case Qt::Key_Left:
        action = &CombinePanel::previousTemplate;
        break;
    default:
        return false;
    }
    // Queued, so the paste sees the preview as it stands when the action runs; the scheduler drops
    // it if the panel is removed in the meantime.
    m_schedule(0, [this, action] { (this->*action)(); });
    return true;
}

bool CombinePanel::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees each key first and hands it on to its items; acting only there counts it once.
    if (event->type() == QEvent::KeyPress && watched && watched->isWindowType())
        return monitorKeyDown(static_cast<QKeyEvent *>(event)->key());
    return QObject::eventFilter(watched, event);
}

void CombinePanel::setSelectedTemplateIndex(int index)
{
    if (index == m_selectedTemplateIndex)
        return;
    m_selectedTemplateIndex = index;
    emit selectedTemplateIndexChanged();
    updatePreview();
}
