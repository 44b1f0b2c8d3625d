#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class ModelContext;

/// What the panel says while the disk that holds the store is full: that the history is not being
/// saved, and how many changes wait. It stays until a save is written, then goes by itself.
class DiskFullNotice : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(bool isShown READ isShown NOTIFY changed)
    Q_PROPERTY(QString title READ title CONSTANT)
    /// How many changes wait, and until when.
    Q_PROPERTY(QString detail READ detail NOTIFY changed)

public:
    explicit DiskFullNotice(ModelContext &context, QObject *parent = nullptr);

    bool isShown() const { return m_shown; }
    QString title() const;
    const QString &detail() const { return m_detail; }

    /// The desktop notification, given once when the disk fills up: its summary, and a body that
    /// names the store's folder.
    static QString notificationSummary();
    static QString notificationBody(const QString &storeFolder);

signals:
    void changed();

private:
    void update();

    ModelContext &m_context;
    bool m_shown = false;
    QString m_detail;
};
