#pragma once

#include "model/ClipCategory.h"

#include <QAbstractItemModel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>

class ModelContext;
template <class T> class LiveQuery;

/// The list in which the person keeps the categories: add one with a name and a palette colour,
/// rename or recolour one, move it up or down, delete one that is not a default, and put the
/// default set back once none is left. Every change is saved at once; the history panel follows
/// through its own live list. The add form and the edit sheet share one set of form fields.
class CategoryManagerView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window owns its category manager")
    /// The categories by sort order; roles are ClipCategory's fields, "color" the colour to draw.
    Q_PROPERTY(QAbstractItemModel *categories READ categories CONSTANT)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool canRestoreDefaults READ canRestoreDefaults NOTIFY countChanged)
    Q_PROPERTY(bool isAddingNew READ isAddingNew NOTIFY formChanged)
    /// The row whose edit sheet is open, or -1.
    Q_PROPERTY(int editingRow READ editingRow NOTIFY formChanged)
    Q_PROPERTY(QString newName READ newName WRITE setNewName NOTIFY formChanged)
    Q_PROPERTY(QString newColorHex READ newColorHex WRITE setNewColorHex NOTIFY formChanged)
    Q_PROPERTY(QString newIcon READ newIcon NOTIFY formChanged)
    /// "Add" and "Save" are offered while the name is not empty (spaces count).
    Q_PROPERTY(bool canSave READ canSave NOTIFY formChanged)
    /// The twelve hex texts offered, in palette order.
    Q_PROPERTY(QStringList palette READ palette CONSTANT)

public:
    /// Picks an index below its argument; the system's random generator unless a test gives one.
    using RandomIndex = std::function<int(int bound)>;

    static const QStringList colorPalette;
    static constexpr const char *newCategoryIcon = "tag.fill";

    explicit CategoryManagerView(ModelContext &context, RandomIndex random = {}, QObject *parent = nullptr);
    ~CategoryManagerView() override;

    QAbstractItemModel *categories() const;
    int count() const;
    bool canRestoreDefaults() const { return count() == 0; }
    bool isAddingNew() const { return m_isAddingNew; }
    int editingRow() const;
    QString newName() const { return m_newName; }
    void setNewName(const QString &name);
    QString newColorHex() const { return m_newColorHex; }
    void setNewColorHex(const QString &hex);
    QString newIcon() const { return m_newIcon; }
    bool canSave() const { return !m_newName.isEmpty(); }
    QStringList palette() const { return colorPalette; }

    /// The plus button: opens the add form with an empty name and a random palette colour.
    Q_INVOKABLE void startAdding();
    Q_INVOKABLE void cancelAdding();
    /// Stores the form as a new category at the end (sort order = the count listed now).
    Q_INVOKABLE void addCategory();
    Q_INVOKABLE void beginEdit(int row);
    Q_INVOKABLE void saveEdit();
    Q_INVOKABLE void cancelEdit();
    /// Swaps the sort orders of the category at `row` and its neighbour in `direction` (-1 or +1).
    Q_INVOKABLE void moveCategory(int row, int direction);
    /// Deletes a category that is not a default; the items filed under it are filed under none.
    Q_INVOKABLE void deleteCategory(int row);
    /// Inserts the five default categories.
    Q_INVOKABLE void restoreDefaults();

    std::shared_ptr<ClipCategory> categoryAt(int row) const;

signals:
    void countChanged();
    void formChanged();

private:
    ModelContext &m_context;
    RandomIndex m_random;
    LiveQuery<ClipCategory> *m_categories;
    bool m_isAddingNew = false;
    std::shared_ptr<ClipCategory> m_editing;
    QString m_newName;
    QString m_newColorHex;
    QString m_newIcon;
};
