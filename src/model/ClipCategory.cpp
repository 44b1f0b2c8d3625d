#include "ClipCategory.h"

#include "Color.h"
#include "ModelContext.h"

const QList<ClipCategory::Default> ClipCategory::defaults = {
    {QStringLiteral("Text"), QStringLiteral("#3F78F3"), QStringLiteral("doc.text")},
    {QStringLiteral("URL"), QStringLiteral("#33B873"), QStringLiteral("link")},
    {QStringLiteral("Image"), QStringLiteral("#EB8C33"), QStringLiteral("photo")},
    {QStringLiteral("File"), QStringLiteral("#808594"), QStringLiteral("doc")},
    {QStringLiteral("Rich Text"), QStringLiteral("#9A4DD8"), QStringLiteral("doc.richtext")},
};

ClipCategory::ClipCategory(const QString &name, const QString &colorHex, const QString &icon, int sortOrder,
    bool isDefault, const QDateTime &createdAt)
    : StoredRecord(QUuid::createUuid())
    , m_name(name)
    , m_colorHex(colorHex)
    , m_icon(icon)
    , m_sortOrder(sortOrder)
    , m_isDefault(isDefault)
    , m_createdAt(createdAt)
{
}

ClipCategory::ClipCategory(Stored &&stored)
    : StoredRecord(stored.id)
    , m_name(std::move(stored.name))
    , m_colorHex(std::move(stored.colorHex))
    , m_icon(std::move(stored.icon))
    , m_sortOrder(stored.sortOrder)
    , m_isDefault(stored.isDefault)
    , m_createdAt(stored.createdAt)
{
}

std::shared_ptr<ClipCategory> ClipCategory::create(const QString &name, const QString &colorHex, const QString &icon,
    int sortOrder, bool isDefault, const QDateTime &createdAt)
{
    return std::make_shared<ClipCategory>(name, colorHex, icon, sortOrder, isDefault, createdAt);
}

void ClipCategory::setName(const QString &name)
{
    m_name = name;
    didChange();
}

void ClipCategory::setColorHex(const QString &colorHex)
{
    m_colorHex = colorHex;
    didChange();
}

void ClipCategory::setIcon(const QString &icon)
{
    m_icon = icon;
    didChange();
}

void ClipCategory::setSortOrder(int sortOrder)
{
    m_sortOrder = sortOrder;
    didChange();
}

QColor ClipCategory::color() const
{
    return colorFromHex(m_colorHex).value_or(QColor(0x00, 0x7A, 0xFF));
}

void ClipCategory::insertDefaults(ModelContext &context)
{
    for (int position = 0; position < defaults.size(); ++position) {
        const Default &entry = defaults.at(position);
        context.insert(create(entry.name, entry.colorHex, entry.icon, position, true, context.clock().now()));
    }
    context.save();
}
