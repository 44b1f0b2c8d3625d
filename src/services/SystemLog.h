#pragma once

#include <QString>

/// The desktop's system log, under Quillbox's subsystem identifier.
class SystemLog {
public:
    virtual ~SystemLog() = default;

    /// Records `message` at info level under `category` (e.g. "PasteService").
    virtual void info(const QString &category, const QString &message) = 0;
};
