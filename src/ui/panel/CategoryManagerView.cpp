#include "CategoryManagerView.h"

#include "model/ClipboardItem.h"
#include "model/LiveQueryModel.h"
#include "model/ModelContext.h"

#include <QRandomGenerator>

const QStringList CategoryManagerView::colorPalette = {
    QStringLiteral("#3F78F3"), // blue
    QStringLiteral("#33B873"), // green
    QStringLiteral("#EB8C33"), // orange
    QStringLiteral("#9A4DD8"), // purple
    QStringLiteral("#E84855"), // red
    QStringLiteral("#E84899"), // pink
    QStringLiteral("#2DB5AA"), // teal
    QStringLiteral("#E8B833"), // yellow
    QStringLiteral("#5856D6"), // indigo
    QStringLiteral("#A0845C"), // brown
    QStringLiteral("#66D4A8"), // mint
    QStringLiteral("#808594"), // steel
};

CategoryManagerView::CategoryManagerView(ModelContext &context, RandomIndex random, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_random(random ? std::move(random) : [](int bound) { return int(QRandomGenerator::global()->bounded(bound)); })
    , m_categories(new LiveQuery<ClipCategory>(context, {&ClipCategory::sortOrder}, this))
    , m_newColorHex(colorPalette.first())
    , m_newIcon(QString::fromLatin1(newCategoryIcon))
{
    connect(m_categories, &LiveQueryModel::countChanged, this, &CategoryManagerView::countChanged);
    // A category deleted elsewhere closes its sheet.
    connect(m_categories, &LiveQueryModel::rowsRemoved, this, [this] {
        if (m_editing && m_categories->rowOf(*m_editing) < 0) {
            m_editing.reset();
            emit formChanged();
        }
    });
    // Moves change the edited row's position.
    connect(m_categories, &LiveQueryModel::rowsMoved, this, &CategoryManagerView::formChanged);
}

CategoryManagerView::~CategoryManagerView() = default;

QAbstractItemModel *CategoryManagerView::categories() const
{
    return m_categories;
}

int CategoryManagerView::count() const
{
    return m_categories->count();
}

int CategoryManagerView::editingRow() const
{
    return m_editing ? m_categories->rowOf(*m_editing) : -1;
}

std::shared_ptr<ClipCategory> CategoryManagerView::categoryAt(int row) const
{
    if (row < 0 || row >= count())
        return nullptr;
    return m_categories->at(row);
}

void CategoryManagerView::setNewName(const QString &name)
{
    if (name == m_newName)
        return;
    m_newName = name;
    emit formChanged();
}

void CategoryManagerView::setNewColorHex(const QString &hex)
{
    if (hex == m_newColorHex)
        return;
    m_newColorHex = hex;
    emit formChanged();
}

void CategoryManagerView::startAdding()
{
    m_isAddingNew = true;
    m_newName.clear();
    m_newColorHex = colorPalette.at(m_random(int(colorPalette.size())));
    m_newIcon = QString::fromLatin1(newCategoryIcon);
    emit formChanged();
}

void CategoryManagerView::cancelAdding()
{
    m_isAddingNew = false;
    emit formChanged();
}

void CategoryManagerView::addCategory()
{
    if (!canSave())
        return;
    m_context.insert(
        ClipCategory::create(m_newName, m_newColorHex, m_newIcon, count(), false, m_context.clock().now()));
    m_context.save();
    m_isAddingNew = false;
    emit formChanged();
}

void CategoryManagerView::beginEdit(int row)
{
    const auto category = categoryAt(row);
    if (!category)
        return;
    m_editing = category;
    m_newName = category->name();
    m_newColorHex = category->colorHex();
    m_newIcon = category->icon();
    emit formChanged();
}

void CategoryManagerView::saveEdit()
{
    if (!m_editing || !canSave())
        return;
    m_editing->setName(m_newName);
    m_editing->setColorHex(m_newColorHex);
    m_editing->setIcon(m_newIcon);
    m_context.save();
    m_editing.reset();
    emit formChanged();
}

void CategoryManagerView::cancelEdit()
{
    if (!m_editing)
        return;
    m_editing.reset();
    emit formChanged();
}

void CategoryManagerView::moveCategory(int row, int direction)
{
    const auto category = categoryAt(row);
    const auto neighbour = categoryAt(row + direction);
    if (!category || !neighbour)
        return;
    const int order = category->sortOrder();
    category->setSortOrder(neighbour->sortOrder());
    neighbour->setSortOrder(order);
    m_context.save();
}

void CategoryManagerView::deleteCategory(int row)
{
    const auto category = categoryAt(row);
    if (!category || category->isDefault())
        return;
    // An item filed under a category that no longer exists would show under none and match no
    // filter, yet could not be filed elsewhere from its own menu: it goes back to no category.
    for (const auto &item : m_context.fetch<ClipboardItem>()) {
        if (item->categoryId() == category->id())
            item->setCategoryId(std::nullopt);
    }
    m_context.remove(category);
    m_context.save();
}

void CategoryManagerView::restoreDefaults()
{
    if (canRestoreDefaults())
        ClipCategory::insertDefaults(m_context);
}
