#include "CategoryListModel.h"

#include "ClipboardItemRow.h"

CategoryListModel::CategoryListModel(QObject *parent)
    : DiffingListModel(parent)
{
}

int CategoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QHash<int, QByteArray> CategoryListModel::roleNames() const
{
    return {
        {IdRole, "id"}, {NameRole, "name"}, {IconRole, "icon"}, {ColorRole, "color"}, {DimmedColorRole, "dimmedColor"}};
}

QVariant CategoryListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ClipCategory &category = *m_categories.at(index.row());
    switch (role) {
    case IdRole:
        return category.id().toString(QUuid::WithoutBraces);
    case Qt::DisplayRole:
    case NameRole:
        return category.name();
    case IconRole:
        return category.icon();
    case ColorRole:
        return category.color();
    case DimmedColorRole:
        return ClipboardItemRow::dimmedCategoryColor(category.color(), m_isDark);
    }
    return {};
}

QVariantMap CategoryListModel::describe(const ClipCategory &category, bool dark)
{
    return {{QStringLiteral("id"), category.id().toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), category.name()}, {QStringLiteral("icon"), category.icon()},
        {QStringLiteral("color"), category.color()},
        {QStringLiteral("dimmedColor"), ClipboardItemRow::dimmedCategoryColor(category.color(), dark)}};
}

void CategoryListModel::setCategories(const QList<std::shared_ptr<ClipCategory>> &categories)
{
    const qsizetype oldSize = m_categories.size();
    replaceRows(m_categories, categories);
    if (oldSize != m_categories.size())
        emit countChanged();
}

void CategoryListModel::refresh(const ClipCategory &category)
{
    for (int row = 0; row < m_categories.size(); ++row) {
        if (m_categories.at(row).get() == &category)
            emit dataChanged(index(row), index(row));
    }
}

void CategoryListModel::setDark(bool dark)
{
    if (m_isDark == dark)
        return;
    m_isDark = dark;
    if (!m_categories.isEmpty())
        emit dataChanged(index(0), index(int(m_categories.size()) - 1), {DimmedColorRole});
}
