#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// The installed applications' desktop entries, looked up by X11 window class.
///
/// Folders are scanned on the first lookup, once: it runs on the GUI thread, so only the
/// [Desktop Entry] group of each file is read.
class DesktopEntryIndex {
public:
    struct Application {
        QString id; ///< desktop-file id without ".desktop" ("org.gnome.Nautilus", "kde4-kate")
        QString name; ///< Name=, in the current locale's language when the entry has it
    };

    /// Indexes $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications.
    DesktopEntryIndex();
    /// Indexes the given "applications" folders; an id found in an earlier one hides later ones.
    explicit DesktopEntryIndex(QStringList applicationDirs);

    /// The entry whose StartupWMClass, else whose id, equals `windowClass`, case-insensitively; failing
    /// that, the same for `instanceName` (the first half of WM_CLASS).
    std::optional<Application> find(const QString &windowClass, const QString &instanceName = {}) const;

    /// The "applications" folders of the XDG base directories, most important first.
    static QStringList defaultApplicationDirs();

private:
    void build() const;
    void addFile(const QString &path, const QString &id, const QStringList &languages) const;

    QStringList m_dirs;
    mutable bool m_built = false;
    mutable QList<Application> m_applications;
    mutable QHash<QString, qsizetype> m_byId; ///< lower-case id -> application, hidden entries as -1
    mutable QHash<QString, qsizetype> m_byWindowClass; ///< lower-case StartupWMClass -> application
};
