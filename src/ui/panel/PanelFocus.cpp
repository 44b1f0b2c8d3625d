#include "PanelFocus.h"

#include <iterator>

PanelFocus::PanelFocus(QObject *parent)
    : QObject(parent)
{
}

void PanelFocus::set(Field field, bool focused)
{
    bool changed = false;
    for (int i = 0; i < int(std::size(m_focused)); ++i) {
        const bool value = i == int(field) ? focused : (focused ? false : m_focused[i]);
        if (m_focused[i] != value) {
            m_focused[i] = value;
            changed = true;
        }
    }
    if (changed)
        emit focusChanged();
}

bool PanelFocus::isTextFieldFocused() const
{
    return has(Field::search) || has(Field::categorySearch) || has(Field::edit) || has(Field::create);
}
