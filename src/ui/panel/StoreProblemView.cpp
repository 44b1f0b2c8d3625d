#include "StoreProblemView.h"

namespace {

const char *const unknownReason = QT_TRANSLATE_NOOP("StoreProblemView", "The reason is unknown.");

QString asSentence(QString clause)
{
    clause[0] = clause[0].toUpper();
    return clause.endsWith(u'.') ? clause : clause + u'.';
}

} // namespace

StoreProblemView::StoreProblemView(const QString &file, const QString &reason, QObject *parent)
    : QObject(parent)
    , m_file(file)
    , m_reason(reason)
{
}

QString StoreProblemView::title() const
{
    return tr("Quillbox cannot open its history");
}

QString StoreProblemView::reason() const
{
    return m_reason.isEmpty() ? tr(unknownReason) : asSentence(m_reason);
}

QString StoreProblemView::untranslatedReason() const
{
    return m_reason.isEmpty() ? QString::fromUtf8(unknownReason) : asSentence(m_reason);
}

QString StoreProblemView::consequence() const
{
    return tr("Nothing you copy is kept until this is fixed and Quillbox is started again. The file was left as it "
              "is.");
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
