#include "PasteRoad.h"

#include "PanelPresenter.h"
#include "capture/Pasteboard.h"
#include "capture/PasteboardWriter.h"
#include "capture/Workspace.h"
#include "model/ClipboardItem.h"
#include "model/Clock.h"
#include "services/ConsoleLog.h"
#include "services/PasteService.h"
#include "services/TerminalPasteChords.h"
#include "ui/panel/ClipboardHistoryView.h"

namespace {

constexpr int pasteDelayMs = 150;

QString appName(const std::optional<RunningApplication> &app)
{
    return app && app->localizedName ? *app->localizedName : QStringLiteral("nil");
}

} // namespace

PasteRoad::PasteRoad(Pasteboard &pasteboard, Workspace &workspace, PanelPresenter &panel, PasteService *pasteService,
    const TerminalPasteChords &terminals, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_panel(panel)
    , m_pasteService(pasteService)
    , m_terminals(terminals)
    , m_clock(clock)
{
}

bool PasteRoad::handleItemSelected(const std::shared_ptr<ClipboardItem> &item)
{
    log(QStringLiteral("handleItemSelected: %1, %2, id %3")
            .arg(rawValue(item->type()), contentSummary(QStringLiteral("handleItemSelected:"), item->content()),
                item->id().toString(QUuid::WithoutBraces).toUpper()));
    if (!PasteboardWriter::copyToPasteboard(*item, m_pasteboard)) {
        // Pasting now would paste whatever was there before; the panel stays open and says why.
        log(QStringLiteral("copyToPasteboard failed — ") + PanelNotice::copyFailure(*item));
        return false;
    }
    log(QStringLiteral("Copied to pasteboard"));
    m_panel.hide();
    const auto &previous = m_panel.previousApp();
    log(QStringLiteral("Previous app: %1, pid: %2")
            .arg(appName(previous))
            .arg(previous ? previous->processIdentifier : -1));
    if (!previous) {
        log(QStringLiteral("No previous app to paste into"));
        return true;
    }
    pasteIntoPreviousApp(true);
    return true;
}

void PasteRoad::handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    log(QStringLiteral("handleMultipleFilesSelected: %1 items").arg(items.size()));
    if (!PasteboardWriter::copyFilesToPasteboard(items, m_pasteboard)) {
        log(QStringLiteral("copyFilesToPasteboard failed — items not all files/images"));
        return;
    }
    m_panel.hide();
    log(QStringLiteral("Previous app for multi-paste: ") + appName(m_panel.previousApp()));
    if (m_panel.previousApp())
        pasteIntoPreviousApp(false);
}

void PasteRoad::log(const QString &line)
{
    if (m_pasteService)
        m_pasteService->log(line);
}

void PasteRoad::pasteIntoPreviousApp(bool logTarget)
{
    const RunningApplication target = *m_panel.previousApp();
    const auto terminal = m_terminals.find(target.windowClass);
    if (terminal && terminal->pastesPrimary)
        m_pasteboard.copyToPrimarySelection();
    const KeyCombo chord = terminal ? terminal->chord : PasteService::controlV;
    m_workspace.activate(target);
    PasteService *paste = m_pasteService;
    Workspace *workspace = &m_workspace;
    // Holds only the target and the services, which live as long as the program.
    m_clock.schedule(pasteDelayMs, this, [paste, workspace, target, logTarget, chord] {
        if (!paste)
            return;
        if (logTarget) {
            const auto front = workspace->frontmostApplication();
            const bool active = front && front->windowId == target.windowId;
            paste->log(QStringLiteral("Target active: %1, frontmost: %2")
                           .arg(active ? QStringLiteral("true") : QStringLiteral("false"), appName(front)));
        }
        paste->simulatePaste(chord);
    });
}
