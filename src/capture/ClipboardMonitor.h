#pragma once

#include "model/ClipboardItemType.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>

class ModelContainer;
class ModelContext;
class Pasteboard;
class QTimer;
class Workspace;

/// Turns copies made anywhere on the desktop into history items. Twice a second it compares the
/// clipboard's change count with the last one seen; a new change is classified (image, web link,
/// file, text), stamped with the application in front, and stored. A repeated copy replaces the
/// earlier item at the top, and unpinned items beyond `maxUnpinnedItems` are pruned, oldest first.
class ClipboardMonitor : public QObject {
    Q_OBJECT

public:
    static constexpr int pollingIntervalMs = 500;
    static constexpr int maxUnpinnedItems = 10000;
    /// Image files are stored as images; compared with the lower-cased extension.
    static const QStringList imageExtensions;

    /// Whatever is on the clipboard now is never captured.
    ClipboardMonitor(
        ModelContainer &container, Pasteboard &pasteboard, const Workspace &workspace, QObject *parent = nullptr);
    ~ClipboardMonitor() override;

    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return m_timer != nullptr; }
    qint64 lastChangeCount() const { return m_lastChangeCount; }

    /// One poll: examines the clipboard once if its change count moved.
    void checkClipboard();

    /// While paused, clipboard changes are not captured; resuming passes over every change made in
    /// between. Pauses nest, so overlapping borrowers each resume once.
    void pauseCapture();
    void resumeCapture();
    bool isCapturePaused() const { return m_pauseDepth > 0; }

private:
    void saveItem(const QString &content, ClipboardItemType type, const std::optional<QByteArray> &imageData,
        const std::optional<QString> &appName, const std::optional<QString> &bundleId);
    std::optional<QUuid> defaultCategoryId(ClipboardItemType type) const;
    /// Deletes the unpinned items beyond the bound; the caller saves.
    void pruneOldItems();

    ModelContext &m_context;
    Pasteboard &m_pasteboard;
    const Workspace &m_workspace;
    std::unique_ptr<QTimer> m_timer;
    qint64 m_lastChangeCount;
    int m_pauseDepth = 0;
};
