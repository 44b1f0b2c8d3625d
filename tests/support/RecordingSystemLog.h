#pragma once

#include "services/SystemLog.h"

#include <QStringList>

/// Keeps each system-log entry as "category|message".
struct RecordingSystemLog : SystemLog {
    QStringList entries;
    void info(const QString &category, const QString &message) override { entries.append(category + u'|' + message); }
};
