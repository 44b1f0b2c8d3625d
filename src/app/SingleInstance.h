#pragma once

#include <QObject>

/// One Quillbox per session: the first start owns the session-bus name io.quillbox.Quillbox and
/// answers `Toggle` on the object /io/quillbox/Quillbox; a later start only asks it to toggle.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.Quillbox")

public:
    /// `unanswered`: another instance holds the name but did not answer the toggle in time.
    enum class Role { primary, secondary, unanswered, noBus };

    explicit SingleInstance(QObject *parent = nullptr);

    /// Claims the name, or toggles the instance that holds it.
    Role claim();

public slots:
    Q_SCRIPTABLE void Toggle();

signals:
    void toggleRequested();
};
