#include "PasteTemplate.h"

#include "ModelContext.h"

// The names are stored as they are here; the combine panel shows them translated.
const QList<PasteTemplate::Default> PasteTemplate::defaults = {
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "Comma")), QStringLiteral(", "), {}, {}, {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "New Line")), QStringLiteral("\n"), {}, {}, {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "Space")), QStringLiteral(" "), {}, {}, {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "Tab")), QStringLiteral("\t"), {}, {}, {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "\"Double Quotes\"")), QStringLiteral(", "),
        QStringLiteral("\""), QStringLiteral("\""), {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "'Single Quotes'")), QStringLiteral(", "), QStringLiteral("'"),
        QStringLiteral("'"), {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "JSON Array")), QStringLiteral(", "), QStringLiteral("\""),
        QStringLiteral("\""), QStringLiteral("["), QStringLiteral("]")},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "Bullet List")), QStringLiteral("\n"), QStringLiteral("- "), {},
        {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "Numbered")), QStringLiteral("\n"), {}, {}, {}, {}},
    {QStringLiteral(QT_TRANSLATE_NOOP("PasteTemplate", "SQL IN")), QStringLiteral(", "), QStringLiteral("'"),
        QStringLiteral("'"), QStringLiteral("("), QStringLiteral(")")},
};

PasteTemplate::PasteTemplate(const QString &name, const QString &separator, const QString &itemPrefix,
    const QString &itemSuffix, const QString &wrapPrefix, const QString &wrapSuffix, int sortOrder, bool isDefault)
    : StoredRecord(QUuid::createUuid())
    , m_name(name)
    , m_separator(separator)
    , m_itemPrefix(itemPrefix)
    , m_itemSuffix(itemSuffix)
    , m_wrapPrefix(wrapPrefix)
    , m_wrapSuffix(wrapSuffix)
    , m_sortOrder(sortOrder)
    , m_isDefault(isDefault)
{
}

PasteTemplate::PasteTemplate(Stored &&stored)
    : StoredRecord(stored.id)
    , m_name(std::move(stored.fields.name))
    , m_separator(std::move(stored.fields.separator))
    , m_itemPrefix(std::move(stored.fields.itemPrefix))
    , m_itemSuffix(std::move(stored.fields.itemSuffix))
    , m_wrapPrefix(std::move(stored.fields.wrapPrefix))
    , m_wrapSuffix(std::move(stored.fields.wrapSuffix))
    , m_sortOrder(stored.sortOrder)
    , m_isDefault(stored.isDefault)
{
}

std::shared_ptr<PasteTemplate> PasteTemplate::create(const Default &fields, int sortOrder, bool isDefault)
{
    return std::make_shared<PasteTemplate>(fields.name, fields.separator, fields.itemPrefix, fields.itemSuffix,
        fields.wrapPrefix, fields.wrapSuffix, sortOrder, isDefault);
}

QString PasteTemplate::combine(const QStringList &items) const
{
    QStringList pieces;
    pieces.reserve(items.size());
    for (const QString &item : items)
        pieces.append(m_itemPrefix + item + m_itemSuffix);
    return m_wrapPrefix + pieces.join(m_separator) + m_wrapSuffix;
}

void PasteTemplate::insertDefaults(ModelContext &context)
{
    for (int position = 0; position < defaults.size(); ++position)
        context.insert(create(defaults.at(position), position, true));
    context.save();
}
