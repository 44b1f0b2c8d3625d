#include "CategorySearch.h"

#include "CategoryListModel.h"
#include "HistoryFilter.h"

CategorySearch::CategorySearch(const HistoryFilter &filter, QObject *parent)
    : QObject(parent)
    , m_filter(filter)
    , m_matchingModel(new CategoryListModel(this))
{
    connect(&filter, &HistoryFilter::categoriesChanged, this, &CategorySearch::updateMatchingCategories);
    updateMatchingCategories();
}

void CategorySearch::setSearching(bool searching)
{
    if (searching == m_isSearching)
        return;
    m_isSearching = searching;
    emit isSearchingChanged();
}

void CategorySearch::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged();
    updateMatchingCategories();
}

void CategorySearch::setIndex(int index)
{
    if (index == m_index)
        return;
    m_index = index;
    emit indexChanged();
}

bool CategorySearch::moveIndex(int direction)
{
    const int count = int(matchingCategories().size());
    if (direction > 0 && m_index < count - 1) {
        setIndex(m_index + 1);
        return true;
    }
    if (direction < 0 && m_index >= 1) {
        // The list may have shrunk under the highlight while typing.
        setIndex(std::min(m_index - 1, std::max(count - 1, 0)));
        return true;
    }
    return false;
}

void CategorySearch::setDark(bool dark)
{
    m_matchingModel->setDark(dark);
}

QList<std::shared_ptr<ClipCategory>> CategorySearch::matchingCategories() const
{
    QList<std::shared_ptr<ClipCategory>> matching = m_filter.categories();
    if (!m_text.isEmpty()) {
        matching.removeIf([this](const std::shared_ptr<ClipCategory> &category) {
            return !category->name().contains(m_text, Qt::CaseInsensitive);
        });
    }
    return matching;
}

QAbstractItemModel *CategorySearch::matchingCategoriesModel() const
{
    return m_matchingModel;
}

void CategorySearch::updateMatchingCategories()
{
    const auto matching = matchingCategories();
    m_matchingModel->setCategories(matching);
    for (const auto &category : matching)
        m_matchingModel->refresh(*category);
}
