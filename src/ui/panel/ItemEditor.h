#pragma once

#include "PanelFocus.h"
#include "model/Clock.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// One editor card (the edit card or the new-item card): whether it is open, the item it edits, its
/// text and its two buttons. What saving means is the owner's: it listens to `saveRequested`.
class ItemEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// "Save" is enabled only for text that is more than white space.
    Q_PROPERTY(bool canSave READ canSave NOTIFY textChanged)
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY isOpenChanged)
    /// The edited item's id as text; empty for a new item and while closed.
    Q_PROPERTY(QString itemId READ itemIdText NOTIFY isOpenChanged)

public:
    /// `field` is the focus place of the card's text editor.
    ItemEditor(PanelFocus &focus, PanelFocus::Field field, Scheduler schedule, QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    bool canSave() const { return !m_text.trimmed().isEmpty(); }
    bool isOpen() const { return m_isOpen; }
    std::optional<QUuid> itemId() const { return m_itemId; }
    QString itemIdText() const;

    /// Opens the card on `text`; its editor takes the focus once it is drawn.
    void open(const QString &text, const std::optional<QUuid> &itemId = std::nullopt);
    /// Closes and empties the card, and hands the focus back to the list once it is gone.
    void close();

    Q_INVOKABLE void save() { emit saveRequested(); }
    Q_INVOKABLE void cancel() { close(); }

signals:
    void textChanged();
    void isOpenChanged();
    void saveRequested();

private:
    void setOpen(bool open, const std::optional<QUuid> &itemId);
    void focusLater(PanelFocus::Field field);

    PanelFocus &m_focus;
    PanelFocus::Field m_field;
    Scheduler m_schedule;
    QString m_text;
    bool m_isOpen = false;
    std::optional<QUuid> m_itemId;
};
