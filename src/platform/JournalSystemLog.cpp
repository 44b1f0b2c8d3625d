#include "JournalSystemLog.h"

#include <systemd/sd-journal.h>

#include <syslog.h>

void JournalSystemLog::info(const QString &category, const QString &message)
{
    const QByteArray text = message.toUtf8();
    const QByteArray categoryText = category.toUtf8();
    // Without journald this returns success and drops the entry; there is nothing useful to do on failure.
    sd_journal_send("MESSAGE=%s", text.constData(), "PRIORITY=%i", LOG_INFO, "SYSLOG_IDENTIFIER=quillbox",
        "QUILLBOX_SUBSYSTEM=%s", subsystem, "QUILLBOX_CATEGORY=%s", categoryText.constData(), nullptr);
    qCInfo(qtCategory(category), "%s", text.constData());
}

const QLoggingCategory &JournalSystemLog::qtCategory(const QString &category)
{
    auto it = m_categories.find(category);
    if (it == m_categories.end()) {
        it = m_categories.emplace(category, Category{QByteArray(subsystem) + '.' + category.toUtf8(), nullptr}).first;
        // The warning threshold keeps info lines off stderr until QT_LOGGING_RULES asks for them.
        it->second.category = std::make_unique<QLoggingCategory>(it->second.name.constData(), QtWarningMsg);
    }
    return *it->second.category;
}
