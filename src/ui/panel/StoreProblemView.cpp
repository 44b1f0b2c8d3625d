#include "StoreProblemView.h"

StoreProblemView::StoreProblemView(const QString &file, const QString &reason, QObject *parent)
    : QObject(parent)
    , m_file(file)
    , m_reason(reason)
{
}

QString StoreProblemView::title() const
{
    return QStringLiteral("Quillbox cannot open its history");
}

QString StoreProblemView::reason() const
{
    if (m_reason.isEmpty())
        return QStringLiteral("The reason is unknown.");
    QString sentence = m_reason;
    sentence[0] = sentence[0].toUpper();
    return sentence.endsWith(u'.') ? sentence : sentence + u'.';
}

QString StoreProblemView::consequence() const
{
    return QStringLiteral("Nothing you copy is kept until this is fixed and Quillbox is started again. "
                          "The file was left as it is.");
}

QString StoreProblemView::message() const
{
    return m_file + u'\n' + reason() + u'\n' + consequence();
}

void StoreProblemView::setDark(bool dark)
{
    if (m_isDark == dark)
        return;
    m_isDark = dark;
    emit isDarkChanged();
}
