#pragma once

#include "capture/PastedImageLoader.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class ClipboardItem;
class Clock;
class PanelPresenter;
class Pasteboard;
class PasteService;
class TerminalPasteChords;
class Workspace;

/// The way of a chosen item into the program the person came from: onto the clipboard, the panel
/// hidden, that program's window activated again and, 0.15 s later, its paste chord sent (Control+V,
/// or a terminal's own, with the item on the PRIMARY selection too for terminals that paste only
/// that). Each step is written to the paste debug log. No step waits on the GUI thread: an image is
/// read and prepared on a worker, the chord reports back when it has gone out. One road at a time:
/// an item chosen while another is on its way follows once that one has been pasted, so its copy
/// cannot replace the clipboard under the earlier paste.
class PasteRoad : public QObject {
    Q_OBJECT

public:
    /// `pasteService` may be null (no keys are sent then); everything must outlive the road.
    PasteRoad(Pasteboard &pasteboard, Workspace &workspace, PanelPresenter &panel, PasteService *pasteService,
        const TerminalPasteChords &terminals, Clock &clock, QObject *parent = nullptr);

    /// An item that cannot be written stops the road with the clipboard and the panel as they were,
    /// and `copyFailed` says so.
    void handleItemSelected(const std::shared_ptr<ClipboardItem> &item);
    void handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items);

signals:
    void copyFailed(const std::shared_ptr<ClipboardItem> &item);

private:
    /// Sets off on `road` now, or after the roads already waiting; the road ends with arrived().
    void travel(std::function<void()> road);
    void arrived();
    void copyItem(const std::shared_ptr<ClipboardItem> &item);
    void pasteCopiedItem(const std::shared_ptr<ClipboardItem> &item, bool copied);
    void copyFiles(const QList<std::shared_ptr<ClipboardItem>> &items);
    void log(const QString &line);
    void pasteIntoPreviousApp(bool logTarget);

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    PanelPresenter &m_panel;
    PasteService *m_pasteService;
    const TerminalPasteChords &m_terminals;
    Clock &m_clock;
    PastedImageLoader m_images;
    bool m_underWay = false;
    QList<std::function<void()>> m_waiting;
};
