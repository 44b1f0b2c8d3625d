#pragma once

#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

struct RunningApplication;

/// The programs whose copies are never recorded, as names to compare with those of the program that
/// copied: desktop-entry ids, window classes, Wayland app ids and executable names, compared without
/// case. Each name also stands for the program name it carries ("org.keepassxc.KeePassXC" for
/// "keepassxc", "kwalletmanager5" for "kwalletmanager"), so an entry and a program named differently by
/// the desktop and by the process still meet. Set on the GUI thread, asked on the pasteboards' readers.
class CopySourceFilter {
public:
    /// Replaces the names of the programs never recorded. Any thread.
    void setNames(const QStringList &names);
    /// Whether any of `sourceNames`, the names of the program that copied, is one never recorded. Any
    /// thread.
    bool excludes(const QStringList &sourceNames) const;
    /// No program is excluded. Any thread.
    bool isEmpty() const;

    /// `name` lower-cased, with the program name it carries.
    static QStringList variants(const QString &name);
    /// What the system says of process `pid`: its executable's file name, its command name, and for
    /// a program run by an interpreter (python3, mono, java, ...) its script's name without extension.
    static QStringList processNames(qint64 pid);
    /// The names of an application with a window: desktop-entry id, window class, and its process's.
    static QStringList applicationNames(const RunningApplication &application);

private:
    mutable QMutex m_mutex;
    QSet<QString> m_names;
};
