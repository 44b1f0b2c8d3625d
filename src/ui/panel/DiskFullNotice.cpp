#include "DiskFullNotice.h"

#include "model/ModelContext.h"

DiskFullNotice::DiskFullNotice(ModelContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    // The count moves with every change made, and with every save taken back or written.
    for (const auto signal :
        {&ModelContext::recordInserted, &ModelContext::recordRemoved, &ModelContext::recordChanged})
        connect(&context, signal, this, &DiskFullNotice::update);
    connect(&context, &ModelContext::diskFullChanged, this, &DiskFullNotice::update);
    connect(&context, &ModelContext::saveFailed, this, &DiskFullNotice::update);
    update();
}

QString DiskFullNotice::title() const
{
    return tr("Your history is not being saved: the disk is full");
}

QString DiskFullNotice::notificationSummary()
{
    return tr("Quillbox cannot save your history: the disk is full");
}

QString DiskFullNotice::notificationBody(const QString &storeFolder)
{
    return tr("There is no space left on the disk that holds %1. What you copy is kept until space is freed, then "
              "saved.")
        .arg(storeFolder);
}

void DiskFullNotice::update()
{
    const bool shown = m_context.isDiskFull();
    QString detail;
    if (shown) {
        const int count = m_context.unsavedChangeCount();
        detail = count == 1 ? tr("%n change is waiting and will be saved once space is freed.", nullptr, count)
                            : tr("%n changes are waiting and will be saved once space is freed.", nullptr, count);
    }
    if (shown == m_shown && detail == m_detail)
        return;
    m_shown = shown;
    m_detail = detail;
    emit changed();
}
