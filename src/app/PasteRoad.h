#pragma once

#include <QList>
#include <QObject>

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
/// that). Each step is written to the paste debug log.
class PasteRoad : public QObject {
    Q_OBJECT

public:
    /// `pasteService` may be null (no keys are sent then); everything must outlive the road.
    PasteRoad(Pasteboard &pasteboard, Workspace &workspace, PanelPresenter &panel, PasteService *pasteService,
        const TerminalPasteChords &terminals, Clock &clock, QObject *parent = nullptr);

    /// An item that cannot be written stops the road with the clipboard and the panel as they were,
    /// and answers false.
    bool handleItemSelected(const std::shared_ptr<ClipboardItem> &item);
    void handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items);

private:
    void log(const QString &line);
    void pasteIntoPreviousApp(bool logTarget);

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    PanelPresenter &m_panel;
    PasteService *m_pasteService;
    const TerminalPasteChords &m_terminals;
    Clock &m_clock;
};
