#include "CategorySearch.h"

#include "CategoryListModel.h"
#include "HistoryFilter.h"
#include "PanelFocus.h"

#include <QPointer>

CategorySearch::CategorySearch(HistoryFilter &filter, PanelFocus &focus, Scheduler schedule, QObject *parent)
    : QObject(parent)
    , m_filter(filter)
    , m_focus(focus)
    , m_schedule(std::move(schedule))
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

CategoryListModel *CategorySearch::matchingCategoriesModel() const
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

void CategorySearch::focusLater(PanelFocus::Field field)
{
    m_schedule(100, [self = QPointer(this), field] {
        if (self)
            self->m_focus.set(field, true);
    });
}

void CategorySearch::toggle()
{
    if (m_isSearching) {
        close();
        return;
    }
    setSearching(true);
    setIndex(0);
    focusLater(PanelFocus::Field::categorySearch);
}

void CategorySearch::close()
{
    setSearching(false);
    setText(QString());
    if (m_focus.isCategorySearchFocused())
        m_focus.set(PanelFocus::Field::view, true);
}

bool CategorySearch::pick(int index)
{
    const auto matching = matchingCategories();
    if (index < 0 || index >= matching.size())
        return false;
    m_filter.setSelectedFilter(matching.at(index)->id());
    setSearching(false);
    setText(QString());
    m_focus.set(PanelFocus::Field::categorySearch, false);
    m_filter.setSearchExpanded(true);
    focusLater(PanelFocus::Field::search);
    return true;
}

void CategorySearch::reopen()
{
    m_filter.setSelectedFilter(std::nullopt);
    setSearching(true);
    m_filter.setSearchExpanded(false);
    m_focus.set(PanelFocus::Field::search, false);
    focusLater(PanelFocus::Field::categorySearch);
}
