#include "CommandInterface.h"

#include "AppDelegate.h"
#include "PanelPresenter.h"
#include "SubmittedText.h"
#include "capture/ClipboardMonitor.h"
#include "capture/PasteboardWriter.h"
#include "model/ClipboardItem.h"
#include "model/HistoryQuery.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "services/HistoryPause.h"
#include "services/LanguageSwitchService.h"
#include "ui/panel/StoreProblemView.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

CommandInterface::Reply jsonList(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    const CommandInterface::Reply tooLarge{{},
        QStringLiteral("the answer would be larger than %1 MB, more than a bus message should carry: ask for "
                       "fewer items")
            .arg(CommandInterface::maxAnswerBytes >> 20),
        true};
    // Every character of the content takes at least a byte: most answers too large are known before
    // they are built.
    qsizetype contentSize = 0;
    for (const auto &item : items)
        contentSize += item->text().size();
    if (contentSize > CommandInterface::maxAnswerBytes)
        return tooLarge;
    QJsonArray array;
    for (const auto &item : items)
        array.append(HistoryQuery::toJson(*item));
    const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Compact);
    if (json.size() > CommandInterface::maxAnswerBytes)
        return tooLarge;
    return {QString::fromUtf8(json), {}};
}

} // namespace

const QString CommandInterface::errorName = QStringLiteral("io.quillbox.Quillbox.Error");
const QString CommandInterface::errorNameTooLarge = QStringLiteral("io.quillbox.Quillbox.Error.TooLarge");

CommandInterface::CommandInterface(QObject *parent)
    : QObject(parent)
{
    // One at a time: texts are stored in the order they came, and a client cannot have many large
    // ones held in memory at once.
    m_readers.setMaxThreadCount(1);
}

void CommandInterface::attach(AppDelegate &delegate, Pasteboard &pasteboard)
{
    m_delegate = &delegate;
    m_pasteboard = &pasteboard;
    connect(&delegate.historyPause(), &HistoryPause::pausedChanged, this,
        [this](bool paused) { emit PausedChanged(paused, pausedUntil()); });
}

bool CommandInterface::isPaused() const
{
    return m_delegate && m_delegate->historyPause().isPaused();
}

qlonglong CommandInterface::pausedUntil() const
{
    const auto end = m_delegate ? m_delegate->historyPause().end() : std::nullopt;
    return end ? end->toSecsSinceEpoch() : 0;
}

void CommandInterface::Pause(uint seconds)
{
    if (m_quitting || !m_delegate)
        answer({{}, refusal()});
    else
        m_delegate->historyPause().pause(std::chrono::seconds(seconds));
}

void CommandInterface::Resume()
{
    if (m_quitting || !m_delegate)
        answer({{}, refusal()});
    else
        m_delegate->historyPause().resume();
}

void CommandInterface::beginQuitting()
{
    m_quitting = true;
    // Texts being read were accepted: they go to capture now. Their results wait in this object's
    // event queue, with any call that came in meanwhile (refused from now on).
    m_readers.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

QString CommandInterface::refusal() const
{
    if (m_quitting)
        return QStringLiteral("Quillbox is quitting");
    if (!m_delegate)
        return QStringLiteral("Quillbox is still starting");
    if (!m_delegate->modelContainer()) {
        const StoreProblemView *problem = m_delegate->storeProblem();
        return problem ? QStringLiteral("Quillbox cannot use its history store %1: %2")
                             .arg(problem->file(), problem->untranslatedReason())
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
    if (const QString reason = refusal(); !reason.isEmpty())
        return {{}, reason};
    query.pinnedOnly = pinnedOnly;
    query.limit = limit;
    return jsonList(query.run(m_delegate->modelContainer()->mainContext()));
}

CommandInterface::Reply CommandInterface::search(const QString &text, int limit) const
{
    if (text.isEmpty())
        return {{}, QStringLiteral("the search text is empty")};
    if (limit < 0)
        return {{}, QStringLiteral("the limit must be 0 (no limit) or more, not %1").arg(limit)};
    if (const QString reason = refusal(); !reason.isEmpty())
        return {{}, reason};
    HistoryQuery query;
    query.searchText = text;
    query.limit = limit;
    return jsonList(query.run(m_delegate->modelContainer()->mainContext()));
}

void CommandInterface::add(const QByteArray &utf8, Answer answer)
{
    if (const QString reason = refusal(); !reason.isEmpty()) {
        answer({{}, reason});
        return;
    }
    capture(utf8, answer);
}

void CommandInterface::addFromFile(const QDBusUnixFileDescriptor &file, Answer answer)
{
    if (const QString reason = refusal(); !reason.isEmpty()) {
        answer({{}, reason});
        return;
    }
    // Only a file is read: a pipe or a socket could keep a reader waiting for ever.
    struct stat info = {};
    if (!file.isValid() || ::fstat(file.fileDescriptor(), &info) != 0 || !S_ISREG(info.st_mode)) {
        answer({{}, QStringLiteral("the descriptor is not a file: the text is read from a regular file or a memfd")});
        return;
    }
    if (info.st_size - ::lseek(file.fileDescriptor(), 0, SEEK_CUR) > SubmittedText::maxBytes) {
        answer({{}, QStringLiteral("the file %1").arg(SubmittedText::tooLarge())});
        return;
    }
    m_readers.start([this, file, answer] {
        QString problem;
        auto bytes = SubmittedText::read(file.fileDescriptor(), &problem);
        if (bytes && !(problem = SubmittedText::textProblem(*bytes)).isEmpty())
            bytes.reset();
        QMetaObject::invokeMethod(
            this,
            [this, bytes = std::move(bytes), problem, answer] {
                if (bytes)
                    capture(*bytes, answer);
                else
                    answer({{}, QStringLiteral("the file %1").arg(problem)});
            },
            Qt::QueuedConnection);
    });
}

void CommandInterface::capture(const QByteArray &utf8, const Answer &answer)
{
    ClipboardMonitor *monitor = m_delegate ? m_delegate->clipboardMonitor() : nullptr;
    if (!monitor) {
        answer({{}, QStringLiteral("Quillbox is not capturing copies yet")});
        return;
    }
    monitor->captureText(utf8, [answer](const std::shared_ptr<ClipboardItem> &item) {
        answer(item ? Reply{idText(item->id()), {}}
                    : Reply{{}, QStringLiteral("nothing to add: the text is empty or only white space")});
    });
}

void CommandInterface::copy(const QString &item, Answer answer)
{
    if (const QString reason = refusal(); !reason.isEmpty()) {
        answer({{}, reason});
        return;
    }
    const ModelContext &context = m_delegate->modelContainer()->mainContext();
    std::shared_ptr<ClipboardItem> found;
    bool isPosition = false;
    const int position = item.toInt(&isPosition);
    if (isPosition) {
        if (position < 1) {
            answer({{}, QStringLiteral("no item %1: positions start at 1 (the newest item)").arg(item)});
            return;
        }
        const auto items = HistoryQuery{}.run(context);
        if (position > items.size()) {
            answer({{},
                QStringLiteral("no item %1: the history holds %2 item%3")
                    .arg(item)
                    .arg(items.size())
                    .arg(items.size() == 1 ? QString() : QStringLiteral("s"))});
            return;
        }
        found = items.at(position - 1);
    } else {
        const QUuid id = QUuid::fromString(item);
        if (id.isNull()) {
            answer({{}, QStringLiteral("\"%1\" is neither a position (1 = newest) nor an item id").arg(item)});
            return;
        }
        const auto matches = context.fetch(
            FetchDescriptor<ClipboardItem>{[&id](const ClipboardItem &candidate) { return candidate.id() == id; }, {}});
        if (matches.isEmpty()) {
            answer({{}, QStringLiteral("no item has the id %1").arg(item)});
            return;
        }
        found = matches.first();
    }
    if (!PasteboardWriter::copyToPasteboard(*found, *m_pasteboard)) {
        answer({{}, QStringLiteral("item %1 cannot be put on the clipboard: its content no longer reads").arg(item)});
        return;
    }
    // The write is captured like any copy; what it stored is the item from then on.
    ClipboardMonitor *monitor = m_delegate->clipboardMonitor();
    const QUuid id = found->id();
    if (!monitor) {
        answer({idText(id), {}});
        return;
    }
    monitor->whenCurrentChangeCaptured([answer, id](const std::shared_ptr<ClipboardItem> &stored) {
        answer({idText(stored ? stored->id() : id), {}});
    });
}

QString CommandInterface::answer(const Reply &reply)
{
    if (!reply.error.isEmpty() && calledFromDBus())
        sendErrorReply(reply.tooLarge ? errorNameTooLarge : errorName, reply.error);
    return reply.value;
}

void CommandInterface::answerLater(const std::function<void(Answer)> &command)
{
    if (!calledFromDBus()) {
        command([](const Reply &) {});
        return;
    }
    setDelayedReply(true);
    command([call = message(), bus = connection()](const Reply &reply) {
        bus.send(reply.error.isEmpty() ? call.createReply(reply.value) : call.createErrorReply(errorName, reply.error));
    });
}

void CommandInterface::Toggle()
{
    if (m_quitting)
        answer({{}, refusal()});
    else if (m_delegate)
        m_delegate->togglePanel();
}

void CommandInterface::Show()
{
    if (m_quitting)
        answer({{}, refusal()});
    else if (PanelPresenter *panel = m_delegate ? m_delegate->panelPresenter() : nullptr)
        panel->show();
}

void CommandInterface::Quit()
{
    if (std::exchange(m_quitting, true))
        return;
    // After this call's reply has gone out.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void CommandInterface::FixLayout()
{
    if (m_quitting) {
        answer({{}, refusal()});
        return;
    }
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
    answerLater([&](Answer answer) { add(text.toUtf8(), std::move(answer)); });
    return {};
}

QString CommandInterface::AddFromFd(const QDBusUnixFileDescriptor &text)
{
    answerLater([&](Answer answer) { addFromFile(text, std::move(answer)); });
    return {};
}

QString CommandInterface::Copy(const QString &item)
{
    answerLater([&](Answer answer) { copy(item, std::move(answer)); });
    return {};
}
