#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

/// Which place of the history panel has the keyboard focus: the search field, the category search,
/// the list, the edit card or the new-item card. One place at a time; none after the last one lets go.
class PanelFocus : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(bool isSearchFocused READ isSearchFocused WRITE setSearchFocused NOTIFY focusChanged)
    Q_PROPERTY(
        bool isCategorySearchFocused READ isCategorySearchFocused WRITE setCategorySearchFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isViewFocused READ isViewFocused WRITE setViewFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isEditFocused READ isEditFocused WRITE setEditFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isCreateFocused READ isCreateFocused WRITE setCreateFocused NOTIFY focusChanged)

public:
    enum class Field { search, categorySearch, view, edit, create };

    explicit PanelFocus(QObject *parent = nullptr);

    bool has(Field field) const { return m_focused[int(field)]; }
    /// Focusing a field takes the focus from the others; letting go leaves them as they are.
    void set(Field field, bool focused);
    /// A text field has the keyboard, so printable keys are its own.
    bool isTextFieldFocused() const;

    bool isSearchFocused() const { return has(Field::search); }
    void setSearchFocused(bool focused) { set(Field::search, focused); }
    bool isCategorySearchFocused() const { return has(Field::categorySearch); }
    void setCategorySearchFocused(bool focused) { set(Field::categorySearch, focused); }
    bool isViewFocused() const { return has(Field::view); }
    void setViewFocused(bool focused) { set(Field::view, focused); }
    bool isEditFocused() const { return has(Field::edit); }
    void setEditFocused(bool focused) { set(Field::edit, focused); }
    bool isCreateFocused() const { return has(Field::create); }
    void setCreateFocused(bool focused) { set(Field::create, focused); }

signals:
    void focusChanged();

private:
    bool m_focused[5] = {};
};
