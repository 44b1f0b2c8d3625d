#pragma once

#include "capture/RunningApplication.h"

#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

/// The installed applications' desktop entries, looked up by X11 window class. GUI thread only.
///
/// The folders are scanned off the GUI thread: from construction on, and again whenever an entry is
/// added, changed or removed in them (or one of them appears later), once the changes settle. A lookup
/// never waits for a scan; it answers from the newest complete one, so nothing is found before the
/// first is in. Only the [Desktop Entry] group of each file is read.
class DesktopEntryIndex : public QObject {
    Q_OBJECT
public:
    struct Application {
        QString id; ///< desktop-file id without ".desktop" ("org.gnome.Nautilus", "kde4-kate")
        QString name; ///< Name=, in the current locale's language when the entry has it
        QString icon = {}; ///< Icon=: a theme icon name or an absolute path
        QString windowClass = {}; ///< StartupWMClass=
        bool shown = true; ///< false for NoDisplay=true: a helper no menu lists
    };

    /// How long the folders must be quiet before a change is scanned: installing a package writes many.
    static constexpr int settleMs = 500;

    /// Indexes $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications.
    explicit DesktopEntryIndex(QObject *parent = nullptr);
    /// Indexes the given "applications" folders; an id found in an earlier one hides later ones.
    explicit DesktopEntryIndex(QStringList applicationDirs, QObject *parent = nullptr);
    ~DesktopEntryIndex() override;

    /// The entry whose StartupWMClass, else whose id, equals `windowClass`, case-insensitively; failing
    /// that, the same for `instanceName` (the first half of WM_CLASS).
    std::optional<Application> find(const QString &windowClass, const QString &instanceName = {}) const;
    /// An application named as the history names it: by the entry find() gives, else by the first of
    /// `windowClass` and `instanceName` that is not empty, which is also its windowClass.
    RunningApplication application(const QString &windowClass, const QString &instanceName = {}) const;
    /// The entry with desktop-file id `id` (without ".desktop"), case ignored.
    std::optional<Application> byId(const QString &id) const;
    /// Every application found, in no particular order.
    const QList<Application> &applications() const { return m_table.applications; }

    /// The "applications" folders of the XDG base directories, most important first.
    static QStringList defaultApplicationDirs();

signals:
    /// A scan is complete and answers the lookups from now on.
    void rebuilt();

private:
    /// One scan's result.
    struct Table {
        QList<Application> applications;
        QHash<QString, qsizetype> byId; ///< lower-case id -> application, hidden entries as -1
        QHash<QString, qsizetype> byWindowClass; ///< lower-case StartupWMClass -> application
        QStringList watched; ///< the folders whose changes call for the next scan
    };

    void startScan();
    void adopt(const Table &table);
    static Table scan(const QStringList &dirs, const QStringList &languages);
    static void addFile(Table &table, const QString &path, const QString &id, const QStringList &languages);

    QStringList m_dirs;
    Table m_table;
    QFutureWatcher<Table> m_scan;
    bool m_scanAgain = false;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
