#pragma once

#include <chrono>
#include <optional>

#include <QString>
#include <QStringList>

/// The `quillbox` command line. Without a command (or with `toggle`) the program starts, or toggles
/// the running instance; Qt's own options (-display, -platform, ...) keep their meaning and are left
/// to Qt. Commands talk to the running instance over the session bus; `list` and `search` read the
/// store themselves when none runs, and never start one.
class CommandLine {
public:
    enum class Command { none, help, version, toggle, show, quit, fixLayout, list, search, add, copy, pause, resume };

    /// What the arguments ask for.
    struct Invocation {
        /// none: start the program.
        Command command = Command::none;
        int limit = 0;
        QString type;
        bool pinnedOnly = false;
        bool json = false;
        /// The search text, the text to add ("-": standard input) or the item to copy.
        QString argument;
        /// pause: for how long; 0 until resumed.
        std::chrono::seconds pauseFor{0};
        /// Set when the arguments cannot be used: the program prints it with the usage and exits 2.
        QString error;
        /// The error is an option this parser does not know. It may be one of Qt's, which only the
        /// application Qt builds takes out of argv (which ones depends on the platform); what Qt
        /// leaves is to be parsed again.
        bool unknownOption = false;
    };

    static constexpr int usageExitCode = 2;

    /// `arguments` without the program name.
    static Invocation parse(const QStringList &arguments);
    /// The arguments of main() without the program name.
    static QStringList arguments(int argc, char **argv);
    /// How many of main()'s arguments Qt's application is given: those before "--", which ends
    /// Qt's options as it ends ours, so that a text after it is never taken for one of Qt's.
    static int qtArgumentCount(int argc, char **argv);
    /// Parses again once Qt's application, built with `qtArgc` and `argv`, has taken its own options
    /// out of them; `arguments` are all of main()'s, as read before.
    static Invocation parseWithoutQtOptions(const QStringList &arguments, int qtArgc, char **argv);
    /// Whether any of `arguments` before "--" names a command other than toggle (which starts the
    /// program when none runs), as a word or as --help or --version.
    static bool namesCommand(const QStringList &arguments);
    /// "90s", "10m", "1h" (or a sum such as "1h30m"), up to a year; nothing for anything else.
    static std::optional<std::chrono::seconds> duration(const QString &text);
    static QString usage();
    static QString help();
};
