#include "CommandLine.h"

#include "CommandInterface.h"
#include "InstanceClient.h"
#include "SubmittedText.h"
#include "model/ClipboardItemType.h"
#include "model/ExactText.h"
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
#include <QSet>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int previewLength = 80;

// Qt's own command-line options (QGuiApplication, QApplication, QML debugging).
const QSet<QString> qtOptionsWithValue
    = {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "qwindowgeometry", "qwindowicon",
        "qwindowtitle", "geometry", "title", "name", "session", "style", "stylesheet", "qmljsdebugger", "visual"};
const QSet<QString> qtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// An option's name without its dashes ("-display", "--display"); empty for other arguments.
QString optionName(const QString &argument)
{
    if (argument.startsWith(QLatin1String("--")))
        return argument.mid(2);
    if (argument.startsWith(u'-') && argument.size() > 1)
        return argument.mid(1);
    return {};
}

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
        const QDBusMessage reply = invocation.command == QLatin1String("list")
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
    if (invocation.command == QLatin1String("search"))
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
        print(stdout, CommandLine::line(i + 1, items->at(i).toObject()) + u'\n');
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

CommandLine::Invocation CommandLine::parse(const QStringList &arguments)
{
    Invocation invocation;
    QStringList words;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QString name = optionsEnded ? QString() : optionName(argument);
        if (argument == QLatin1String("--") && !optionsEnded) {
            optionsEnded = true;
        } else if (qtOptionsWithValue.contains(name) || qtFlags.contains(name)) {
            // Left to Qt, with its value.
            i += qtOptionsWithValue.contains(name) ? 1 : 0;
        } else if (name.isEmpty() || argument == QLatin1String("-")) {
            words.append(argument);
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            invocation.command = QStringLiteral("help");
            return invocation;
        } else if (argument == QLatin1String("--version")) {
            invocation.command = QStringLiteral("version");
            return invocation;
        } else if (argument == QLatin1String("--toggle")) {
            words.prepend(QStringLiteral("toggle"));
        } else if (argument == QLatin1String("--json")) {
            invocation.json = true;
        } else if (argument == QLatin1String("--pinned")) {
            invocation.pinnedOnly = true;
        } else if (name == QLatin1String("limit") || name == QLatin1String("type")) {
            if (i + 1 >= arguments.size()) {
                invocation.error = QStringLiteral("%1 needs a value").arg(argument);
                return invocation;
            }
            const QString value = arguments.at(++i);
            if (name == QLatin1String("type")) {
                if (!clipboardItemTypeFromRawValue(value)) {
                    invocation.error
                        = QStringLiteral("unknown type \"%1\" (text, url, image, file or richText)").arg(value);
                    return invocation;
                }
                invocation.type = value;
            } else {
                bool ok = false;
                invocation.limit = value.toInt(&ok);
                if (!ok || invocation.limit < 1) {
                    invocation.error = QStringLiteral("--limit takes a number of 1 or more, not \"%1\"").arg(value);
                    return invocation;
                }
            }
        } else {
            invocation.error = QStringLiteral("unknown option %1").arg(argument);
            return invocation;
        }
    }
    if (words.isEmpty()) {
        // Without a command the program would start or toggle its panel, ignoring them.
        if (invocation.json || invocation.limit > 0)
            invocation.error = QStringLiteral("--json and --limit need a command: list or search");
        else if (!invocation.type.isEmpty() || invocation.pinnedOnly)
            invocation.error = QStringLiteral("--type and --pinned need the command list");
        return invocation;
    }

    invocation.command = words.takeFirst();
    const QString &command = invocation.command;
    const bool takesListOptions = command == QLatin1String("list") || command == QLatin1String("search");
    const bool usedListOptions = invocation.json || invocation.limit > 0;
    const bool usedFilters = !invocation.type.isEmpty() || invocation.pinnedOnly;
    QString wrong;
    if (command == QLatin1String("help") || command == QLatin1String("version")) {
        if (!words.isEmpty())
            wrong = QStringLiteral("%1 takes no arguments").arg(command);
    } else if (command == QLatin1String("list")) {
        if (!words.isEmpty())
            wrong = QStringLiteral("list takes options only, not \"%1\"").arg(words.first());
    } else if (command == QLatin1String("search") || command == QLatin1String("add")
        || command == QLatin1String("copy")) {
        if (words.size() != 1) {
            const QString what = command == QLatin1String("search") ? QStringLiteral("one TEXT (quote it)")
                : command == QLatin1String("add") ? QStringLiteral("one TEXT (quote it), or - for standard input")
                                                  : QStringLiteral("one item: its position (1 = newest) or its id");
            wrong = QStringLiteral("%1 takes %2").arg(command, what);
        } else if (command == QLatin1String("search") && words.first().isEmpty()) {
            wrong = QStringLiteral("search needs a non-empty TEXT");
        } else {
            invocation.argument = words.first();
        }
    } else if (command == QLatin1String("toggle") || command == QLatin1String("show")
        || command == QLatin1String("quit") || command == QLatin1String("fix-layout")) {
        if (!words.isEmpty())
            wrong = QStringLiteral("%1 takes no arguments").arg(command);
    } else {
        wrong = QStringLiteral("unknown command \"%1\"").arg(command);
    }
    if (wrong.isEmpty() && !takesListOptions && usedListOptions)
        wrong = QStringLiteral("--json and --limit belong to list and search");
    if (wrong.isEmpty() && command != QLatin1String("list") && usedFilters)
        wrong = QStringLiteral("--type and --pinned belong to list");
    invocation.error = wrong;
    return invocation;
}

QString CommandLine::usage()
{
    return QStringLiteral("Usage: quillbox [--toggle | toggle | show | quit | fix-layout]\n"
                          "       quillbox list [--limit N] [--json] [--type text|url|image|file|richText] [--pinned]\n"
                          "       quillbox search [--limit N] [--json] TEXT\n"
                          "       quillbox add TEXT | quillbox add -\n"
                          "       quillbox copy N|ID\n"
                          "       quillbox --help | --version\n");
}

QString CommandLine::help()
{
    return QStringLiteral("Quillbox keeps the history of the clipboard: every text, link, image and file you copy.\n"
                          "\n")
        + usage()
        + QStringLiteral(
            "\n"
            "Without a command Quillbox starts in the system tray, or toggles the panel of the Quillbox\n"
            "already running.\n"
            "\n"
            "Commands:\n"
            "  toggle, --toggle  show or hide the history panel\n"
            "  show              show the history panel\n"
            "  quit              end the running Quillbox\n"
            "  fix-layout        retype the selected text in the other keyboard layout, as Super+Shift+L does\n"
            "  list              the history, newest first, one item a line:\n"
            "                    position, id, type, \"pinned\" or \"-\", the first 80 characters\n"
            "    --limit N       only the N newest items\n"
            "    --json          one JSON array of objects with every field but the image bytes\n"
            "    --type TYPE     only items of this type: text, url, image, file or richText\n"
            "    --pinned        only pinned items\n"
            "  search TEXT       the items the panel's search finds for TEXT (the content or the name of\n"
            "                    the program it was copied from contains TEXT, case ignored), newest first\n"
            "  add TEXT          store TEXT as if it had been copied, and print its id; \"add -\" reads\n"
            "                    standard input: UTF-8 text without NUL bytes, %1 MB at most\n"
            "  copy N|ID         put item N of the list (1 = newest), or the item with this id, on the\n"
            "                    clipboard, without pasting, and print its id\n"
            "\n"
            "An item keeps its id while it exists, also when it is copied again and moves to the top.\n"
            "\n"
            "list and search read the store when no Quillbox runs; the other commands go to the running\n"
            "Quillbox, which D-Bus starts when it is installed. Qt's options such as -display and -platform\n"
            "keep their meaning. Exit status: 0 done, 1 refused or failed (the reason is on standard\n"
            "error), 2 unusable arguments. See quillbox(1).\n")
              .arg(SubmittedText::maxBytes >> 20);
}

QString CommandLine::line(int position, const QJsonObject &item)
{
    QString preview = item.value(QLatin1String("content")).toString().simplified();
    if (preview.size() > previewLength)
        preview = preview.left(previewLength - 1) + QChar(0x2026);
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(position)
        .arg(item.value(QLatin1String("id")).toString(), item.value(QLatin1String("type")).toString(),
            item.value(QLatin1String("isPinned")).toBool() ? QStringLiteral("pinned") : QStringLiteral("-"), preview);
}

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        // Arguments are UTF-8 here, as Qt takes them on Unix; a text to add keeps a leading U+FEFF.
        list.append(exactTextFromUtf8(argv[i]));
    return list;
}

std::optional<int> CommandLine::run(const Invocation &invocation, int argc, char **argv)
{
    if (!invocation.error.isEmpty()) {
        print(stderr, QStringLiteral("quillbox: %1\n").arg(invocation.error) + usage());
        return usageExitCode;
    }
    const QString &command = invocation.command;
    if (command.isEmpty() || command == QLatin1String("toggle"))
        return std::nullopt;
    if (command == QLatin1String("help")) {
        print(stdout, help());
        return 0;
    }
    if (command == QLatin1String("version")) {
        print(stdout, QStringLiteral("quillbox %1\n").arg(QStringLiteral(QUILLBOX_VERSION)));
        return 0;
    }

    QCoreApplication app(argc, argv);
    // The store's own diagnostics would mix with the output scripts read.
    QLoggingCategory::setFilterRules(QStringLiteral("quillbox.*.info=false"));
    if (command == QLatin1String("list") || command == QLatin1String("search"))
        return printItems(invocation);
    if (command == QLatin1String("add"))
        return add(invocation.argument);
    if (command == QLatin1String("copy"))
        return callInstance(QStringLiteral("Copy"), {invocation.argument}, true, true);
    if (command == QLatin1String("show"))
        return callInstance(QStringLiteral("Show"), {}, true, false);
    if (command == QLatin1String("fix-layout"))
        return callInstance(QStringLiteral("FixLayout"), {}, true, false);
    return callInstance(QStringLiteral("Quit"), {}, false, false);
}
