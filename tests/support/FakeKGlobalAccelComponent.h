#pragma once

#include <QObject>
#include <QString>

/// The component object kglobalaccel announces presses on.
class FakeKGlobalAccelComponent : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kglobalaccel.Component")
signals:
    void globalShortcutPressed(const QString &componentUnique, const QString &actionUnique, qlonglong timestamp);
};
