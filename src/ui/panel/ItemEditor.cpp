#include "ItemEditor.h"

ItemEditor::ItemEditor(QObject *parent)
    : QObject(parent)
{
}

void ItemEditor::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged();
}
