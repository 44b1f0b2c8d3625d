#pragma once

#include "model/ClipCategory.h"

#include "DiffingListModel.h"

#include <memory>

#include <QtQml/qqmlregistration.h>

/// A list of categories as the panel's chips and the category search draw them.
///
/// Roles: id, name, icon, color (QColor), dimmedColor (QColor).
class CategoryListModel : public DiffingListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A list of HistoryFilter")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { IdRole = Qt::UserRole + 1, NameRole, IconRole, ColorRole, DimmedColorRole };

    explicit CategoryListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return int(m_categories.size()); }

    /// Takes the new list over with row signals for the span that differs.
    void setCategories(const QList<std::shared_ptr<ClipCategory>> &categories);
    /// A category's fields changed.
    void refresh(const ClipCategory &category);
    void setDark(bool dark);

    /// {id, name, icon, color, dimmedColor} of one category.
    static QVariantMap describe(const ClipCategory &category, bool dark);

signals:
    void countChanged();

private:
    QList<std::shared_ptr<ClipCategory>> m_categories;
    bool m_isDark = false;
};
