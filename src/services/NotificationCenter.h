#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

/// Named application-wide notifications ("Quillbox.panelWillShow", "Quillbox.openSettings",
/// "Quillbox.reloadHotkey", "Quillbox.clearAllHistory"), so that subsystems which do not know each
/// other still meet.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    enum class Delivery {
        /// In a later turn of the event loop, never inside `post`: the poster's step finishes first.
        queued,
        /// Inside `post`, for a state that must be in place when `post` returns.
        immediate,
    };

    static NotificationCenter &defaultCenter();

    Q_INVOKABLE void post(const QString &name);
    /// Calls `handler` after every post of `name` while `context` lives.
    void observe(
        const QString &name, QObject *context, std::function<void()> handler, Delivery delivery = Delivery::queued);

private:
    struct Observer {
        QString name;
        QPointer<QObject> context;
        std::function<void()> handler;
        Delivery delivery;
    };
    QList<Observer> m_observers;
};
