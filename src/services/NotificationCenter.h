#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

/// Named application-wide notifications ("Quillbox.panelWillShow", "Quillbox.openSettings",
/// "Quillbox.reloadHotkey", "Quillbox.clearAllHistory"), so that subsystems which do not know each
/// other still meet. Observers run in a later turn of the event loop, never inside `post`.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    static NotificationCenter &defaultCenter();

    Q_INVOKABLE void post(const QString &name);
    /// Calls `handler` after every post of `name` while `context` lives.
    void observe(const QString &name, QObject *context, std::function<void()> handler);

private:
    struct Observer {
        QString name;
        QPointer<QObject> context;
        std::function<void()> handler;
    };
    QList<Observer> m_observers;
};
