#pragma once

#include "services/SystemLog.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <map>
#include <memory>

/// systemd journal entries (SYSLOG_IDENTIFIER=quillbox, QUILLBOX_SUBSYSTEM, QUILLBOX_CATEGORY), mirrored
/// to the Qt logging category "io.quillbox.Quillbox.<category>", which is off unless QT_LOGGING_RULES
/// enables its info level. GUI thread only.
class JournalSystemLog : public SystemLog {
public:
    static constexpr const char *subsystem = "io.quillbox.Quillbox";

    void info(const QString &category, const QString &message) override;

private:
    struct Category {
        QByteArray name; // QLoggingCategory keeps the pointer, so the name lives beside it
        std::unique_ptr<QLoggingCategory> category;
    };
    const QLoggingCategory &qtCategory(const QString &category);

    std::map<QString, Category> m_categories;
};
