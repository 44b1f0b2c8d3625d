#pragma once

#include <QString>

/// Writes one diagnostic line to standard output at once (scripts and tests read these lines).
void printLine(const QString &line);

/// What a log line says where clipboard or selection content would go: its length in user-perceived
/// characters ("12 characters"). Logs outlive the history, so the content itself never goes there;
/// with the "quillbox.content" debug category switched on (QT_LOGGING_RULES), `context` and the first
/// 50 characters go to standard error.
QString contentSummary(const QString &context, const QString &text);
