#pragma once

#include "CommandLine.h"

#include <QJsonObject>
#include <QString>

#include <optional>

/// Carries out what the command line asks for, and says how it ended.
class CommandRunner {
public:
    /// Runs the command and returns its exit code, or nothing when the invocation asks for the
    /// program itself (no command, or `toggle`). `argc` and `argv` are main()'s; the commands that
    /// need an event loop build a QCoreApplication unless an application exists already.
    static std::optional<int> run(const CommandLine::Invocation &invocation, int argc, char **argv);
    /// One line of `list` and `search`, as the manual page documents it.
    static QString line(int position, const QJsonObject &item);
};
