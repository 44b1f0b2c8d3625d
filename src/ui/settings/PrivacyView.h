#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class HistoryPause;
class NeverRecordedApplications;
class Preferences;

/// The Privacy tab's controller: the applications never recorded, the pause, what is kept of copies
/// and for how long, and where the history lives.
class PrivacyView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window owns its controllers")
    /// Each {id, name, icon}: the applications never recorded, in the order they were added; icon is an
    /// image URL, empty where the application has none.
    Q_PROPERTY(QVariantList applications READ applications NOTIFY applicationsChanged)
    Q_PROPERTY(bool paused READ isPaused NOTIFY pausedChanged)
    /// "Recording", "Paused until 15:40" or "Paused until you resume".
    Q_PROPERTY(QString pauseState READ pauseState NOTIFY pausedChanged)
    Q_PROPERTY(bool recordImages READ recordImages WRITE setRecordImages NOTIFY preferencesChanged)
    Q_PROPERTY(bool recordFiles READ recordFiles WRITE setRecordFiles NOTIFY preferencesChanged)
    Q_PROPERTY(
        int largestItemMegabytes READ largestItemMegabytes WRITE setLargestItemMegabytes NOTIFY preferencesChanged)
    Q_PROPERTY(int keepUnpinnedDays READ keepUnpinnedDays WRITE setKeepUnpinnedDays NOTIFY preferencesChanged)
    Q_PROPERTY(bool clearHistoryOnQuit READ clearHistoryOnQuit WRITE setClearHistoryOnQuit NOTIFY preferencesChanged)
    /// Each {label, value}: the "Keep unpinned items for" choices, in days (0: forever).
    Q_PROPERTY(QVariantList retentionChoices READ retentionChoices CONSTANT)
    /// Each {label, value}: the largest item sizes offered, in MB.
    Q_PROPERTY(QVariantList sizeChoices READ sizeChoices CONSTANT)
    /// Where the history is stored, and that it stays there.
    Q_PROPERTY(QString storageNote READ storageNote CONSTANT)
    /// What this desktop lets Quillbox know of the program that copied; empty where it is known.
    Q_PROPERTY(QString matchingNote READ matchingNote CONSTANT)

public:
    struct Application {
        QString id;
        QString name;
        QString icon; ///< a theme icon name or an absolute path; empty for none
    };
    /// What the desktop knows of applications; every member may be empty.
    struct Sources {
        std::function<QList<Application>()> installed;
        std::function<QList<Application>()> running;
        std::function<std::optional<Application>(const QString &id)> byId;
        QString storePath;
        QString matchingNote;
    };

    /// Each must outlive the view.
    PrivacyView(NeverRecordedApplications &applications, HistoryPause &pause, Preferences &preferences, Sources sources,
        QObject *parent = nullptr);

    QVariantList applications() const;
    /// Each {id, name, icon}, by name: the installed applications a menu lists, those listed already left out.
    Q_INVOKABLE QVariantList installedApplications() const;
    /// Each {id, name, icon}: the applications with a window now, once each, those listed left out.
    Q_INVOKABLE QVariantList runningApplications() const;
    Q_INVOKABLE void add(const QString &id);
    Q_INVOKABLE void remove(const QString &id);

    bool isPaused() const;
    QString pauseState() const;
    /// Pauses for `seconds`, or until resumed when 0.
    Q_INVOKABLE void pause(int seconds);
    Q_INVOKABLE void resume();

    bool recordImages() const;
    void setRecordImages(bool on);
    bool recordFiles() const;
    void setRecordFiles(bool on);
    int largestItemMegabytes() const;
    void setLargestItemMegabytes(int megabytes);
    int keepUnpinnedDays() const;
    void setKeepUnpinnedDays(int days);
    bool clearHistoryOnQuit() const;
    void setClearHistoryOnQuit(bool on);
    QVariantList retentionChoices() const;
    QVariantList sizeChoices() const;
    QString storageNote() const;
    QString matchingNote() const { return m_sources.matchingNote; }

signals:
    void applicationsChanged();
    void pausedChanged();
    void preferencesChanged();

private:
    QVariantMap entry(const QString &id) const;
    QVariantList offered(const QList<Application> &applications) const;

    NeverRecordedApplications &m_applications;
    HistoryPause &m_pause;
    Preferences &m_preferences;
    Sources m_sources;
};
