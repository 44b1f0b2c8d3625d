#pragma once

#include <QString>

/// Writes one diagnostic line to standard output at once (scripts and tests read these lines).
void printLine(const QString &line);
