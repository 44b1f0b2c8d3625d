#include "CommandLine.h"

#include "SubmittedText.h"
#include "model/ClipboardItemType.h"
#include "model/ExactText.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace {

using Command = CommandLine::Command;

constexpr std::array<std::pair<Command, const char *>, 12> commandWords = {{{Command::help, "help"},
    {Command::version, "version"}, {Command::toggle, "toggle"}, {Command::show, "show"}, {Command::quit, "quit"},
    {Command::fixLayout, "fix-layout"}, {Command::list, "list"}, {Command::search, "search"}, {Command::add, "add"},
    {Command::copy, "copy"}, {Command::pause, "pause"}, {Command::resume, "resume"}}};

std::optional<Command> commandNamed(const QString &word)
{
    for (const auto &[command, name] : commandWords) {
        if (word == QLatin1String(name))
            return command;
    }
    return std::nullopt;
}

// The first argument before "--" written as the option `name` ("-name", "--name", "--name=value"),
// for messages that quote what was typed.
QString writtenAs(const QStringList &arguments, const QString &name, bool withValue)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        const QString written = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (argument.startsWith(u'-') && written.section(u'=', 0, 0) == name && written.contains(u'=') == withValue)
            return argument;
    }
    return QLatin1Char('-') + name;
}

} // namespace

CommandLine::Invocation CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-limit 5" as well as "--limit 5"; options may follow the command and its text.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption toggle(QStringLiteral("toggle"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption pinned(QStringLiteral("pinned"));
    const QCommandLineOption limit(QStringLiteral("limit"), {}, QStringLiteral("N"));
    const QCommandLineOption type(QStringLiteral("type"), {}, QStringLiteral("TYPE"));
    const QCommandLineOption pauseFor(QStringLiteral("for"), {}, QStringLiteral("DURATION"));
    parser.addOptions({help, version, toggle, json, pinned, limit, type, pauseFor});
    // The parser takes the first entry for the program's name.
    const bool parsed = parser.parse(QStringList(QStringLiteral("quillbox")) + arguments);

    Invocation invocation;
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        invocation.error = QStringLiteral("unknown option %1").arg(writtenAs(arguments, unknown.first(), false));
        invocation.unknownOption = true;
        return invocation;
    }
    if (!parsed) {
        // A value for a flag ("--json=yes"); a value missing at the end is found below, in its turn.
        for (const QString &flag : help.names() + version.names() + toggle.names() + json.names() + pinned.names()) {
            if (const QString written = writtenAs(arguments, flag, true); written.contains(u'=')) {
                invocation.error = QStringLiteral("unknown option %1").arg(written);
                return invocation;
            }
        }
    }

    // The options in the order given: the first of help and version wins, and the first bad value is
    // the one reported; of repeated values the last counts.
    QStringList words = parser.positionalArguments();
    QHash<QString, int> seen;
    for (const QString &name : parser.optionNames()) {
        const int occurrence = seen[name]++;
        if (help.names().contains(name)) {
            invocation.command = Command::help;
            return invocation;
        }
        if (name == version.names().first()) {
            invocation.command = Command::version;
            return invocation;
        }
        if (name == toggle.names().first()) {
            words.prepend(QStringLiteral("toggle"));
        } else if (name == json.names().first()) {
            invocation.json = true;
        } else if (name == pinned.names().first()) {
            invocation.pinnedOnly = true;
        } else {
            const QStringList values = parser.values(name);
            if (occurrence >= values.size()) {
                invocation.error = QStringLiteral("%1 needs a value").arg(arguments.last());
                return invocation;
            }
            const QString &value = values.at(occurrence);
            if (name == pauseFor.names().first()) {
                const auto duration = CommandLine::duration(value);
                if (!duration) {
                    invocation.error
                        = QStringLiteral("--for takes a duration such as 90s, 10m or 1h, not \"%1\"").arg(value);
                    return invocation;
                }
                invocation.pauseFor = *duration;
            } else if (name == type.names().first()) {
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

    const QString word = words.takeFirst();
    const std::optional<Command> command = commandNamed(word);
    if (!command) {
        invocation.error = QStringLiteral("unknown command \"%1\"").arg(word);
        return invocation;
    }
    invocation.command = *command;
    QString wrong;
    switch (*command) {
    case Command::list:
        if (!words.isEmpty())
            wrong = QStringLiteral("list takes options only, not \"%1\"").arg(words.first());
        break;
    case Command::search:
    case Command::add:
    case Command::copy:
        if (words.size() != 1) {
            const QString what = *command == Command::search ? QStringLiteral("one TEXT (quote it)")
                : *command == Command::add ? QStringLiteral("one TEXT (quote it), or - for standard input")
                                           : QStringLiteral("one item: its position (1 = newest) or its id");
            wrong = QStringLiteral("%1 takes %2").arg(word, what);
        } else if (*command == Command::search && words.first().isEmpty()) {
            wrong = QStringLiteral("search needs a non-empty TEXT");
        } else {
            invocation.argument = words.first();
        }
        break;
    case Command::none:
    case Command::help:
    case Command::version:
    case Command::toggle:
    case Command::show:
    case Command::quit:
    case Command::fixLayout:
    case Command::pause:
    case Command::resume:
        if (!words.isEmpty())
            wrong = QStringLiteral("%1 takes no arguments").arg(word);
        break;
    }
    const bool takesListOptions = *command == Command::list || *command == Command::search;
    if (wrong.isEmpty() && !takesListOptions && (invocation.json || invocation.limit > 0))
        wrong = QStringLiteral("--json and --limit belong to list and search");
    if (wrong.isEmpty() && *command != Command::list && (!invocation.type.isEmpty() || invocation.pinnedOnly))
        wrong = QStringLiteral("--type and --pinned belong to list");
    if (wrong.isEmpty() && *command != Command::pause && parser.isSet(pauseFor))
        wrong = QStringLiteral("--for belongs to pause");
    invocation.error = wrong;
    return invocation;
}

std::optional<std::chrono::seconds> CommandLine::duration(const QString &text)
{
    static const QRegularExpression part(QStringLiteral("(\\d{1,9})([smh])"));
    static const QRegularExpression whole(QStringLiteral("^(\\d{1,9}[smh])+$"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    qint64 seconds = 0;
    for (auto match = part.globalMatch(text); match.hasNext();) {
        const auto next = match.next();
        const qint64 unit = next.captured(2) == u"h" ? 3600 : next.captured(2) == u"m" ? 60 : 1;
        seconds += next.captured(1).toLongLong() * unit;
    }
    constexpr qint64 year = 366LL * 24 * 3600;
    if (seconds < 1 || seconds > year)
        return std::nullopt;
    return std::chrono::seconds(seconds);
}

bool CommandLine::namesCommand(const QStringList &arguments)
{
    const QStringList commandOptions = {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("version")};
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (const auto command = commandNamed(argument); command && *command != Command::toggle)
            return true;
        if (argument.startsWith(u'-')
            && commandOptions.contains(argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1)))
            return true;
    }
    return false;
}

QString CommandLine::usage()
{
    return QStringLiteral("Usage: quillbox [--toggle | toggle | show | quit | fix-layout]\n"
                          "       quillbox list [--limit N] [--json] [--type text|url|image|file|richText] [--pinned]\n"
                          "       quillbox search [--limit N] [--json] TEXT\n"
                          "       quillbox add TEXT | quillbox add -\n"
                          "       quillbox copy N|ID\n"
                          "       quillbox pause [--for DURATION] | quillbox resume\n"
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
            "  pause             record no copies until resumed; nothing copied meanwhile is read\n"
            "    --for DURATION  only for so long: 90s, 10m, 1h or a sum such as 1h30m\n"
            "  resume            record copies again\n"
            "\n"
            "An item keeps its id while it exists, also when it is copied again and moves to the top.\n"
            "\n"
            "list and search read the store when no Quillbox runs; the other commands go to the running\n"
            "Quillbox, which D-Bus starts when it is installed. Qt's options such as -display and -platform\n"
            "keep their meaning. Exit status: 0 done, 1 refused or failed (the reason is on standard\n"
            "error), 2 unusable arguments. See quillbox(1).\n")
              .arg(SubmittedText::maxBytes >> 20);
}

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        // Arguments are UTF-8 here, as Qt takes them on Unix; a text to add keeps a leading U+FEFF.
        list.append(exactTextFromUtf8(argv[i]));
    return list;
}

int CommandLine::qtArgumentCount(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return i;
    }
    return argc;
}

CommandLine::Invocation CommandLine::parseWithoutQtOptions(const QStringList &arguments, int qtArgc, char **argv)
{
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    return parse(CommandLine::arguments(qtArgc, argv) + (end < 0 ? QStringList() : arguments.mid(end)));
}
