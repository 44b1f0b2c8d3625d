#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CategoryListModel;
class ClipCategory;
class HistoryFilter;
class QAbstractItemModel;

/// Choosing a category by typing part of its name: the field's text, the categories whose names
/// contain it, and the highlighted one.
class CategorySearch : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// The highlighted row of `matchingCategories`.
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
    /// Roles: id, name, icon, color (QColor), dimmedColor (QColor).
    Q_PROPERTY(QAbstractItemModel *matchingCategories READ matchingCategoriesModel CONSTANT)

public:
    /// `filter` gives the categories and must outlive the search.
    explicit CategorySearch(const HistoryFilter &filter, QObject *parent = nullptr);

    bool isSearching() const { return m_isSearching; }
    void setSearching(bool searching);
    QString text() const { return m_text; }
    void setText(const QString &text);
    int index() const { return m_index; }
    void setIndex(int index);
    /// Moves the highlight one row down (`direction` > 0) or up; false at either end.
    bool moveIndex(int direction);
    void setDark(bool dark);

    /// The categories whose names contain `text`, ignoring case, in `sortOrder` order.
    QList<std::shared_ptr<ClipCategory>> matchingCategories() const;
    QAbstractItemModel *matchingCategoriesModel() const;

signals:
    void isSearchingChanged();
    void textChanged();
    void indexChanged();

private:
    void updateMatchingCategories();

    const HistoryFilter &m_filter;
    CategoryListModel *m_matchingModel = nullptr;
    bool m_isSearching = false;
    QString m_text;
    int m_index = 0;
};
