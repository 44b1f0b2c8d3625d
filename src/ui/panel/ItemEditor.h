#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

/// The text of an open editor card (the edit card or the new-item card) and its two buttons. What
/// saving means is the owner's: it listens to `saveRequested` and `cancelRequested`.
class ItemEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// "Save" is enabled only for text that is more than white space.
    Q_PROPERTY(bool canSave READ canSave NOTIFY textChanged)

public:
    explicit ItemEditor(QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    bool canSave() const { return !m_text.trimmed().isEmpty(); }

    Q_INVOKABLE void save() { emit saveRequested(); }
    Q_INVOKABLE void cancel() { emit cancelRequested(); }

signals:
    void textChanged();
    void saveRequested();
    void cancelRequested();

private:
    QString m_text;
};
