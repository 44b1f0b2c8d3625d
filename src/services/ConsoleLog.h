#pragma once

#include <QString>

/// Writes one diagnostic line to standard output at once (scripts and tests read these lines).
void printLine(const QString &line);

/// The first `characters` user-perceived characters of `text`, for log lines that quote it: an emoji
/// or an accented letter is never cut in half.
QString logPrefix(const QString &text, int characters);
