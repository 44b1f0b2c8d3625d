#include "PanelNotice.h"

#include "model/ClipboardItem.h"

#include <QPointer>

namespace {

constexpr int noticeDurationMs = 4000;

const char *copyFailureSource(const ClipboardItem &item)
{
    switch (item.type()) {
    case ClipboardItemType::url:
        return QT_TRANSLATE_NOOP("PanelNotice", "Can't copy this link: it is not a valid address");
    case ClipboardItemType::file:
        return QT_TRANSLATE_NOOP("PanelNotice", "Can't copy this file: its location is not valid");
    case ClipboardItemType::image:
        return QT_TRANSLATE_NOOP("PanelNotice", "Can't copy this image: its data is missing or damaged");
    case ClipboardItemType::text:
    case ClipboardItemType::richText:
        break;
    }
    return QT_TRANSLATE_NOOP("PanelNotice", "Can't copy this item");
}

} // namespace

PanelNotice::PanelNotice(Scheduler schedule, QObject *parent)
    : QObject(parent)
    , m_schedule(std::move(schedule))
{
}

void PanelNotice::show(const QString &text)
{
    const int generation = ++m_generation;
    if (text != m_text) {
        m_text = text;
        emit textChanged();
    }
    m_schedule(noticeDurationMs, [self = QPointer(this), generation] {
        // A later notice keeps its own full time.
        if (self && generation == self->m_generation)
            self->clear();
    });
}

void PanelNotice::clear()
{
    if (m_text.isEmpty())
        return;
    m_text.clear();
    emit textChanged();
}

QString PanelNotice::copyFailure(const ClipboardItem &item)
{
    return tr(copyFailureSource(item));
}

QString PanelNotice::untranslatedCopyFailure(const ClipboardItem &item)
{
    return QString::fromUtf8(copyFailureSource(item));
}
