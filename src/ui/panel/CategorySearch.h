#pragma once

#include "CategoryListModel.h"
#include "PanelFocus.h"
#include "model/Clock.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class ClipCategory;
class HistoryFilter;

/// Choosing a category by typing part of its name: the field's text, the categories whose names
/// contain it, the highlighted one, and picking it as the filter of a search.
class CategorySearch : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// The highlighted row of `matchingCategories`.
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
    /// Roles: id, name, icon, color (QColor), dimmedColor (QColor).
    Q_PROPERTY(CategoryListModel *matchingCategories READ matchingCategoriesModel CONSTANT)

public:
    /// `filter` gives the categories and takes the picked one; `schedule` moves the focus once a
    /// field is on screen. Both `filter` and `focus` must outlive the search.
    CategorySearch(HistoryFilter &filter, PanelFocus &focus, Scheduler schedule, QObject *parent = nullptr);

    bool isSearching() const { return m_isSearching; }
    void setSearching(bool searching);
    QString text() const { return m_text; }
    void setText(const QString &text);
    int index() const { return m_index; }
    void setIndex(int index);
    /// Moves the highlight one row down (`direction` > 0) or up; false at either end.
    bool moveIndex(int direction);
    void setDark(bool dark);

    /// Opens the search with the first category highlighted, or closes it.
    void toggle();
    void close();
    /// Filters by the category at `index` of `matchingCategories` and searches in it; false when
    /// there is no such category.
    bool pick(int index);
    /// From searching in a picked category back to choosing one.
    void reopen();

    /// The categories whose names contain `text`, ignoring case, in `sortOrder` order.
    QList<std::shared_ptr<ClipCategory>> matchingCategories() const;
    CategoryListModel *matchingCategoriesModel() const;

signals:
    void isSearchingChanged();
    void textChanged();
    void indexChanged();

private:
    void updateMatchingCategories();

    void focusLater(PanelFocus::Field field);

    HistoryFilter &m_filter;
    PanelFocus &m_focus;
    Scheduler m_schedule;
    CategoryListModel *m_matchingModel = nullptr;
    bool m_isSearching = false;
    QString m_text;
    int m_index = 0;
};
