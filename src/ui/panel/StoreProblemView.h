#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

/// What the panel shows instead of the history when the store cannot be opened: which file, why,
/// and what that means for the person's copies. The same words go into the desktop notification.
class StoreProblemView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The panel owns its controller")
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString file READ file CONSTANT)
    Q_PROPERTY(QString reason READ reason CONSTANT)
    Q_PROPERTY(QString consequence READ consequence CONSTANT)
    Q_PROPERTY(bool isDark READ isDark WRITE setDark NOTIFY isDarkChanged)

public:
    /// `reason` as the store gives it, a clause about the file ("it is a folder, not a file").
    StoreProblemView(const QString &file, const QString &reason, QObject *parent = nullptr);

    QString title() const;
    const QString &file() const { return m_file; }
    /// The reason as a sentence.
    QString reason() const;
    /// The same in English, for the command line.
    QString untranslatedReason() const;
    QString consequence() const;
    /// File, reason and consequence in one text, for the notification.
    QString message() const;

    bool isDark() const { return m_isDark; }
    void setDark(bool dark);

signals:
    void isDarkChanged();

private:
    QString m_file;
    QString m_reason;
    bool m_isDark = false;
};
