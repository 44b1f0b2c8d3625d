#pragma once

#include <QDBusVariant>
#include <QObject>

/// Whether the desktop asks applications for a dark appearance. QUILLBOX_COLOR_SCHEME=dark|light
/// decides when set; otherwise GTK_THEME's ":dark" suffix, then the desktop portal's
/// "color-scheme" setting, which is asked once at construction without waiting and followed after.
class DesktopColorScheme : public QObject {
    Q_OBJECT

public:
    explicit DesktopColorScheme(QObject *parent = nullptr);

    bool prefersDark() const { return m_prefersDark; }

signals:
    void prefersDarkChanged();

private slots:
    void portalSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void setPrefersDark(bool dark);

    bool m_prefersDark = false;
    bool m_fixed = false;
};
