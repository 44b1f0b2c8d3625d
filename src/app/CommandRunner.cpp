#include "CommandRunner.h"

#include "CommandInterface.h"
#include "InstanceClient.h"
#include "SubmittedText.h"
#include "model/ClipboardItemType.h"
#include "model/HistoryQuery.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int previewLength = 80;

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int fail(const QString &message)
{
    print(stderr, QStringLiteral("quillbox: %1\n").arg(message));
    return 1;
}

// The items of `list` and `search`, read from the running instance or, when none runs, from the store.
std::optional<QJsonArray> readItems(const CommandLine::Invocation &invocation, QString *error)
{
    if (QDBusConnection::sessionBus().isConnected()) {
        const QDBusMessage reply = invocation.command == CommandLine::Command::list
            ? InstanceClient::call(
                QStringLiteral("List"), {invocation.limit, invocation.type, invocation.pinnedOnly}, false)
            : InstanceClient::call(QStringLiteral("Search"), {invocation.argument, invocation.limit}, false);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            // Qt's JSON reader drops a raw U+FEFF inside a string; escaped, it reads it. In JSON text
            // these bytes stand only inside strings.
            QByteArray json = reply.arguments().value(0).toString().toUtf8();
            json.replace("\xEF\xBB\xBF", "\\ufeff");
            return QJsonDocument::fromJson(json).array();
        }
        // An answer too large for the bus is read from the store instead, where the running
        // instance writes every change within moments.
        if (!InstanceClient::isNotRunning(reply) && reply.errorName() != CommandInterface::errorNameTooLarge) {
            *error = reply.errorMessage();
            return std::nullopt;
        }
    }
    HistoryQuery query;
    if (!invocation.type.isEmpty())
        query.type = clipboardItemTypeFromRawValue(invocation.type);
    query.pinnedOnly = invocation.pinnedOnly;
    query.limit = invocation.limit;
    if (invocation.command == CommandLine::Command::search)
        query.searchText = invocation.argument;
    const QString path = ModelContainer::defaultPath();
    // No store yet: nothing was ever copied, and reading must not create one.
    if (!QFileInfo::exists(path))
        return QJsonArray();
    QString openError;
    const auto container = ModelContainer::openForReading(path, &openError);
    if (!container) {
        *error = QStringLiteral("cannot read the history store %1: %2").arg(path, openError);
        return std::nullopt;
    }
    QJsonArray items;
    for (const auto &item : query.run(container->mainContext()))
        items.append(HistoryQuery::toJson(*item));
    return items;
}

int printItems(const CommandLine::Invocation &invocation)
{
    QString error;
    const auto items = readItems(invocation, &error);
    if (!items)
        return fail(error);
    if (invocation.json) {
        print(stdout, QString::fromUtf8(QJsonDocument(*items).toJson(QJsonDocument::Compact)) + u'\n');
        return 0;
    }
    for (int i = 0; i < items->size(); ++i)
        print(stdout, CommandRunner::line(i + 1, items->at(i).toObject()) + u'\n');
    return 0;
}

// The exit code for what the running instance answered; `autoStart`: the call could have started it.
int answered(const QDBusMessage &reply, bool autoStart, bool printAnswer)
{
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (printAnswer)
            print(stdout, reply.arguments().value(0).toString() + u'\n');
        return 0;
    }
    if (InstanceClient::isNotRunning(reply)) {
        return fail(autoStart ? QStringLiteral("Quillbox is not running and this session cannot start it (its D-Bus "
                                               "service file io.quillbox.Quillbox.service is not installed)")
                              : QStringLiteral("Quillbox is not running"));
    }
    return fail(reply.errorMessage());
}

bool hasBus()
{
    if (QDBusConnection::sessionBus().isConnected())
        return true;
    fail(QStringLiteral("no D-Bus session bus, so no running Quillbox can be reached"));
    return false;
}

// A command only the running instance can carry out: started through D-Bus activation when
// `autoStart` and the service is installed.
int callInstance(const QString &method, const QVariantList &arguments, bool autoStart, bool printAnswer)
{
    if (!hasBus())
        return 1;
    return answered(InstanceClient::call(method, arguments, autoStart), autoStart, printAnswer);
}

// `add TEXT`, or with "-" the text on standard input: read with a bound, and refused unless it is text.
int add(const QString &argument)
{
    QByteArray text = argument.toUtf8();
    if (argument == QLatin1String("-")) {
        QString problem;
        auto input = SubmittedText::read(STDIN_FILENO, &problem);
        if (input)
            problem = SubmittedText::textProblem(*input);
        if (!problem.isEmpty())
            return fail(QStringLiteral("standard input %1; nothing was added").arg(problem));
        text = std::move(*input);
        // `echo text | quillbox add -` means the text, not the line.
        if (text.endsWith('\n'))
            text.chop(1);
    }
    if (!hasBus())
        return 1;
    return answered(InstanceClient::add(text), true, true);
}

} // namespace

QString CommandRunner::line(int position, const QJsonObject &item)
{
    QString preview = item.value(QLatin1String("content")).toString().simplified();
    if (preview.size() > previewLength)
        preview = preview.left(previewLength - 1) + QChar(0x2026);
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(position)
        .arg(item.value(QLatin1String("id")).toString(), item.value(QLatin1String("type")).toString(),
            item.value(QLatin1String("isPinned")).toBool() ? QStringLiteral("pinned") : QStringLiteral("-"), preview);
}

std::optional<int> CommandRunner::run(const CommandLine::Invocation &invocation, int argc, char **argv)
{
    using Command = CommandLine::Command;
    if (!invocation.error.isEmpty()) {
        print(stderr, QStringLiteral("quillbox: %1\n").arg(invocation.error) + CommandLine::usage());
        return CommandLine::usageExitCode;
    }
    switch (invocation.command) {
    case Command::none:
    case Command::toggle:
        return std::nullopt;
    case Command::help:
        print(stdout, CommandLine::help());
        return 0;
    case Command::version:
        print(stdout, QStringLiteral("quillbox %1\n").arg(QStringLiteral(QUILLBOX_VERSION)));
        return 0;
    case Command::show:
    case Command::quit:
    case Command::fixLayout:
    case Command::list:
    case Command::search:
    case Command::add:
    case Command::copy:
    case Command::pause:
    case Command::resume:
        break;
    }

    // Built here unless Qt's application was built first, to take Qt's options out of argv.
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app.emplace(argc, argv);
    // The store's own diagnostics would mix with the output scripts read.
    QLoggingCategory::setFilterRules(QStringLiteral("quillbox.*.info=false"));
    switch (invocation.command) {
    case Command::list:
    case Command::search:
        return printItems(invocation);
    case Command::add:
        return add(invocation.argument);
    case Command::copy:
        return callInstance(QStringLiteral("Copy"), {invocation.argument}, true, true);
    case Command::show:
        return callInstance(QStringLiteral("Show"), {}, true, false);
    case Command::fixLayout:
        return callInstance(QStringLiteral("FixLayout"), {}, true, false);
    case Command::quit:
        return callInstance(QStringLiteral("Quit"), {}, false, false);
    case Command::pause:
        return callInstance(
            QStringLiteral("Pause"), {QVariant::fromValue(uint(invocation.pauseFor.count()))}, true, false);
    case Command::resume:
        return callInstance(QStringLiteral("Resume"), {}, true, false);
    case Command::none:
    case Command::toggle:
    case Command::help:
    case Command::version:
        break;
    }
    return std::nullopt;
}
