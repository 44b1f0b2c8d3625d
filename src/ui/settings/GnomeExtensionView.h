#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

/// Quillbox's GNOME Shell extension where it is installed but does not serve Quillbox yet: what to do,
/// and, once the person has agreed, `gnome-extensions enable` run for them. Shown by the onboarding
/// and the About tab.
class GnomeExtensionView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application owns the extension's controller")
    /// What it takes for the extension to serve Quillbox, and whether that needs a new login.
    Q_PROPERTY(QString advice READ advice CONSTANT)
    /// Enabling the extension is what it takes.
    Q_PROPERTY(bool canEnable READ canEnable CONSTANT)
    /// The command enable() runs, as the person is asked to agree to it.
    Q_PROPERTY(QString command READ command CONSTANT)
    /// The outcome of the last enable(); empty before.
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool isEnabling READ isEnabling NOTIFY statusChanged)

public:
    static inline const QString uuid = QStringLiteral("quillbox@quillbox.io");

    /// `loadsAtOnce`: the Shell already knows the extension, so enabling it loads it now; otherwise it
    /// loads at the next login. `program` is gnome-extensions, by name or path.
    GnomeExtensionView(const QString &advice, bool canEnable, bool loadsAtOnce,
        const QString &program = QStringLiteral("gnome-extensions"), QObject *parent = nullptr);
    ~GnomeExtensionView() override;

    QString advice() const { return m_advice; }
    bool canEnable() const { return m_canEnable; }
    QString command() const;
    QString status() const { return m_status; }
    bool isEnabling() const { return m_process != nullptr; }

    /// Runs `gnome-extensions enable quillbox@quillbox.io` without waiting for it; status tells how it went.
    Q_INVOKABLE void enable();

signals:
    void statusChanged();

private:
    void finish(const QString &status);

    QString m_advice;
    bool m_canEnable;
    bool m_loadsAtOnce;
    QString m_program;
    QString m_status;
    std::unique_ptr<QProcess> m_process;
};
