// shell-extensions-stub: GNOME Shell's extension registry as far as Quillbox's start-up asks it, on the
// session bus, so the demo can show a GNOME session whose Quillbox extension is installed but off.
//   shell-extensions-stub STATE    GetExtensionInfo answers every uuid with that state (2: disabled)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <cstdio>

class ShellExtensions : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.Extensions")
public:
    explicit ShellExtensions(double state)
        : m_state(state)
    {
    }

public slots:
    QVariantMap GetExtensionInfo(const QString &uuid)
    {
        return {{"uuid", uuid}, {"state", m_state}, {"enabled", false}};
    }

private:
    double m_state;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell-extensions-stub STATE\n");
        return 2;
    }
    ShellExtensions extensions(QByteArray(argv[1]).toDouble());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/gnome/Shell/Extensions", &extensions, QDBusConnection::ExportAllSlots)
        || !bus.registerService("org.gnome.Shell.Extensions")) {
        std::fprintf(stderr, "shell-extensions-stub: cannot serve on the session bus\n");
        return 1;
    }
    return app.exec();
}

#include "shell-extensions-stub.moc"
