#include "ItemEditor.h"

#include <QPointer>

ItemEditor::ItemEditor(PanelFocus &focus, PanelFocus::Field field, Scheduler schedule, QObject *parent)
    : QObject(parent)
    , m_focus(focus)
    , m_field(field)
    , m_schedule(std::move(schedule))
{
}

void ItemEditor::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged();
}

QString ItemEditor::itemIdText() const
{
    return m_itemId ? m_itemId->toString(QUuid::WithoutBraces) : QString();
}

void ItemEditor::open(const QString &text, const std::optional<QUuid> &itemId)
{
    setOpen(true, itemId);
    setText(text);
    focusLater(m_field);
}

void ItemEditor::close()
{
    setOpen(false, std::nullopt);
    setText(QString());
    m_focus.set(m_field, false);
    focusLater(PanelFocus::Field::view);
}

void ItemEditor::setOpen(bool open, const std::optional<QUuid> &itemId)
{
    if (open == m_isOpen && itemId == m_itemId)
        return;
    m_isOpen = open;
    m_itemId = itemId;
    emit isOpenChanged();
}

void ItemEditor::focusLater(PanelFocus::Field field)
{
    // The card, or the list behind it, is drawn first.
    m_schedule(100, [self = QPointer(this), field] {
        if (self)
            self->m_focus.set(field, true);
    });
}
