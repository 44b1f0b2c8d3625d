#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CopySourceFilter;
class Preferences;

/// The applications whose copies are never recorded, as the person lists them in Settings → Privacy
/// (Preferences::neverRecordApplications), handed to the pasteboard's filter whenever they change.
///
/// A new installation, and once an existing one, starts with the password managers a Debian user is
/// likely to run; an existing installation says so in the log.
class NeverRecordedApplications : public QObject {
    Q_OBJECT

public:
    struct Known {
        QString id; ///< desktop-entry id without ".desktop", as Debian's package installs it
        QString name;
        QString why; ///< what it is, for the closing list of the person's defaults
    };
    /// The defaults, in the order the tab lists them.
    static const QList<Known> defaults;

    /// More names of an installed application (its desktop entry's StartupWMClass), by id.
    using Aliases = std::function<QStringList(const QString &id)>;

    /// Gives the defaults when the preference was never written, and keeps `filter` in step with it.
    NeverRecordedApplications(Preferences &preferences, CopySourceFilter &filter, QObject *parent = nullptr);

    /// Looks up the installed applications' other names from now on.
    void setAliases(Aliases aliases);
    /// Takes in what `aliases` knows now (the installed applications were scanned again).
    void refresh();

    QStringList ids() const;
    /// Adds `id` unless an entry with the same name (case ignored) is listed.
    void add(const QString &id);
    void remove(const QString &id);
    /// The name of a default by its id; empty for any other.
    static QString knownName(const QString &id);

signals:
    void changed();

private:
    Preferences &m_preferences;
    CopySourceFilter &m_filter;
    Aliases m_aliases;
};
