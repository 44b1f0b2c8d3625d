#include "CommandInterface.h"

#include "AppDelegate.h"
#include "PanelPresenter.h"
#include "capture/ClipboardMonitor.h"
#include "capture/PasteboardWriter.h"
#include "model/ClipboardItem.h"
#include "model/HistoryQuery.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "services/LanguageSwitchService.h"
#include "ui/panel/StoreProblemView.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace {

const QString errorName = QStringLiteral("io.quillbox.Quillbox.Error");

QString jsonList(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    QJsonArray array;
    for (const auto &item : items)
        array.append(HistoryQuery::toJson(*item));
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

} // namespace

CommandInterface::CommandInterface(QObject *parent)
    : QObject(parent)
{
}

void CommandInterface::attach(AppDelegate &delegate, Pasteboard &pasteboard)
{
    m_delegate = &delegate;
    m_pasteboard = &pasteboard;
}

QString CommandInterface::storeUnavailableReason() const
{
    if (!m_delegate)
        return QStringLiteral("Quillbox is still starting");
    if (!m_delegate->modelContainer()) {
        const StoreProblemView *problem = m_delegate->storeProblem();
        return problem
            ? QStringLiteral("Quillbox cannot use its history store %1: %2").arg(problem->file(), problem->reason())
            : QStringLiteral("Quillbox has no history store");
    }
    return {};
}

CommandInterface::Reply CommandInterface::list(int limit, const QString &type, bool pinnedOnly) const
{
    if (limit < 0)
        return {{}, QStringLiteral("the limit must be 0 (no limit) or more, not %1").arg(limit)};
    HistoryQuery query;
    if (!type.isEmpty()) {
        query.type = clipboardItemTypeFromRawValue(type);
        if (!query.type)
            return {{}, QStringLiteral("unknown item type \"%1\" (text, url, image, file or richText)").arg(type)};
    }
    if (const QString reason = storeUnavailableReason(); !reason.isEmpty())
        return {{}, reason};
    query.pinnedOnly = pinnedOnly;
    query.limit = limit;
    return {jsonList(query.run(m_delegate->modelContainer()->mainContext())), {}};
}

CommandInterface::Reply CommandInterface::search(const QString &text, int limit) const
{
    if (text.isEmpty())
        return {{}, QStringLiteral("the search text is empty")};
    if (limit < 0)
        return {{}, QStringLiteral("the limit must be 0 (no limit) or more, not %1").arg(limit)};
    if (const QString reason = storeUnavailableReason(); !reason.isEmpty())
        return {{}, reason};
    HistoryQuery query;
    query.searchText = text;
    query.limit = limit;
    return {jsonList(query.run(m_delegate->modelContainer()->mainContext())), {}};
}

CommandInterface::Reply CommandInterface::add(const QString &text)
{
    if (const QString reason = storeUnavailableReason(); !reason.isEmpty())
        return {{}, reason};
    ClipboardMonitor *monitor = m_delegate->clipboardMonitor();
    if (!monitor)
        return {{}, QStringLiteral("Quillbox is not capturing copies yet")};
    const auto item = monitor->captureText(text);
    if (!item)
        return {{}, QStringLiteral("nothing to add: the text is empty or only white space")};
    return {item->id().toString(QUuid::WithoutBraces), {}};
}

CommandInterface::Reply CommandInterface::copy(const QString &item)
{
    if (const QString reason = storeUnavailableReason(); !reason.isEmpty())
        return {{}, reason};
    const ModelContext &context = m_delegate->modelContainer()->mainContext();
    std::shared_ptr<ClipboardItem> found;
    bool isPosition = false;
    const int position = item.toInt(&isPosition);
    if (isPosition) {
        if (position < 1)
            return {{}, QStringLiteral("no item %1: positions start at 1 (the newest item)").arg(item)};
        const auto items = HistoryQuery{}.run(context);
        if (position > items.size()) {
            return {{},
                QStringLiteral("no item %1: the history holds %2 item%3")
                    .arg(item)
                    .arg(items.size())
                    .arg(items.size() == 1 ? QString() : QStringLiteral("s"))};
        }
        found = items.at(position - 1);
    } else {
        const QUuid id = QUuid::fromString(item);
        if (id.isNull())
            return {{}, QStringLiteral("\"%1\" is neither a position (1 = newest) nor an item id").arg(item)};
        const auto matches = context.fetch(
            FetchDescriptor<ClipboardItem>{[&id](const ClipboardItem &candidate) { return candidate.id() == id; }, {}});
        if (matches.isEmpty())
            return {{}, QStringLiteral("no item has the id %1").arg(item)};
        found = matches.first();
    }
    if (!PasteboardWriter::copyToPasteboard(*found, *m_pasteboard))
        return {{}, QStringLiteral("item %1 cannot be put on the clipboard: its content no longer reads").arg(item)};
    return {found->id().toString(QUuid::WithoutBraces), {}};
}

QString CommandInterface::answer(const Reply &reply)
{
    if (!reply.error.isEmpty() && calledFromDBus())
        sendErrorReply(errorName, reply.error);
    return reply.value;
}

void CommandInterface::Toggle()
{
    if (m_delegate)
        m_delegate->togglePanel();
}

void CommandInterface::Show()
{
    if (PanelPresenter *panel = m_delegate ? m_delegate->panelPresenter() : nullptr)
        panel->show();
}

void CommandInterface::Quit()
{
    // After this call's reply has gone out.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void CommandInterface::FixLayout()
{
    LanguageSwitchService *fix = m_delegate ? m_delegate->languageSwitchService() : nullptr;
    if (!fix) {
        answer({{}, QStringLiteral("the wrong-layout fix is not available: this session offers no way to type keys")});
        return;
    }
    fix->fixSelectedText();
}

QString CommandInterface::List(int limit, const QString &type, bool pinnedOnly)
{
    return answer(list(limit, type, pinnedOnly));
}

QString CommandInterface::Search(const QString &text, int limit)
{
    return answer(search(text, limit));
}

QString CommandInterface::Add(const QString &text)
{
    return answer(add(text));
}

QString CommandInterface::Copy(const QString &item)
{
    return answer(copy(item));
}
