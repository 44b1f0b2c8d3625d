#pragma once

#include "services/DesktopNotifier.h"

#include <QObject>

/// Desktop notifications through org.freedesktop.Notifications on the session bus. Every call is
/// asynchronous, so a notification server that hangs cannot stall the program.
class FreedesktopNotifier : public QObject, public DesktopNotifier {
    Q_OBJECT

public:
    explicit FreedesktopNotifier(QObject *parent = nullptr);

    void notifyProblem(const QString &summary, const QString &body) override;

private:
    void send(const QString &summary, const QString &body, bool bodyIsMarkup);
};
