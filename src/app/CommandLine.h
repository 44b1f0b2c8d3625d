#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

/// The `quillbox` command line. Without a command (or with `toggle`) the program starts, or toggles
/// the running instance; Qt's own options (-display, -platform, ...) keep their meaning and are left
/// to Qt. Commands talk to the running instance over the session bus; `list` and `search` read the
/// store themselves when none runs, and never start one.
class CommandLine {
public:
    /// What the arguments ask for.
    struct Invocation {
        /// Empty: start the program. Otherwise help, version, toggle, show, quit, fix-layout, list,
        /// search, add or copy.
        QString command;
        int limit = 0;
        QString type;
        bool pinnedOnly = false;
        bool json = false;
        /// The search text, the text to add ("-": standard input) or the item to copy.
        QString argument;
        /// Set when the arguments cannot be used: the program prints it with the usage and exits 2.
        QString error;
    };

    static constexpr int usageExitCode = 2;

    /// `arguments` without the program name.
    static Invocation parse(const QStringList &arguments);
    /// The arguments of main() without the program name.
    static QStringList arguments(int argc, char **argv);
    static QString usage();
    static QString help();
    /// One line of `list` and `search`, as the manual page documents it.
    static QString line(int position, const QJsonObject &item);

    /// Runs the command and returns its exit code, or nothing when the invocation asks for the
    /// program itself (no command, or `toggle`). `argc` and `argv` are main()'s.
    static std::optional<int> run(const Invocation &invocation, int argc, char **argv);
};
