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

#include <QPointer>

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

void PasteRoad::handleItemSelected(const std::shared_ptr<ClipboardItem> &item)
{
    travel([this, item] { copyItem(item); });
}

void PasteRoad::handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    travel([this, items] { copyFiles(items); });
}

void PasteRoad::travel(std::function<void()> road)
{
    if (m_underWay) {
        log(QStringLiteral("Paste waits for the one under way"));
        m_waiting.append(std::move(road));
        return;
    }
    m_underWay = true;
    road();
}

void PasteRoad::arrived()
{
    m_underWay = false;
    if (!m_waiting.isEmpty())
        travel(m_waiting.takeFirst());
}

void PasteRoad::copyItem(const std::shared_ptr<ClipboardItem> &item)
{
    log(QStringLiteral("handleItemSelected: %1, %2, id %3")
            .arg(rawValue(item->type()), contentSummary(QStringLiteral("handleItemSelected:"), item->content()),
                item->id().toString(QUuid::WithoutBraces).toUpper()));
    if (item->type() != ClipboardItemType::image) {
        pasteCopiedItem(item, PasteboardWriter::copyToPasteboard(*item, m_pasteboard));
        return;
    }
    // The panel stays as it is until the image is on the clipboard.
    m_images.load(*item, [this, item](const std::optional<QByteArray> &png) {
        if (png)
            PasteboardWriter::writePng(*png, m_pasteboard);
        pasteCopiedItem(item, png.has_value());
    });
}

void PasteRoad::pasteCopiedItem(const std::shared_ptr<ClipboardItem> &item, bool copied)
{
    if (!copied) {
        // Pasting now would paste whatever was there before; the panel stays open and says why.
        log(QStringLiteral("copyToPasteboard failed — ") + PanelNotice::untranslatedCopyFailure(*item));
        emit copyFailed(item);
        arrived();
        return;
    }
    log(QStringLiteral("Copied to pasteboard"));
    m_panel.hide();
    const auto &previous = m_panel.previousApp();
    log(QStringLiteral("Previous app: %1, pid: %2")
            .arg(appName(previous))
            .arg(previous ? previous->processIdentifier : -1));
    if (!previous) {
        log(QStringLiteral("No previous app to paste into"));
        arrived();
        return;
    }
    pasteIntoPreviousApp(true);
}

void PasteRoad::copyFiles(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    log(QStringLiteral("handleMultipleFilesSelected: %1 items").arg(items.size()));
    if (!PasteboardWriter::copyFilesToPasteboard(items, m_pasteboard)) {
        log(QStringLiteral("copyFilesToPasteboard failed — items not all files/images"));
        arrived();
        return;
    }
    m_panel.hide();
    log(QStringLiteral("Previous app for multi-paste: ") + appName(m_panel.previousApp()));
    if (m_panel.previousApp())
        pasteIntoPreviousApp(false);
    else
        arrived();
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
    m_clock.schedule(pasteDelayMs, this, [this, target, logTarget, chord] {
        if (!m_pasteService) {
            arrived();
            return;
        }
        if (logTarget) {
            const auto front = m_workspace.frontmostApplication();
            const bool active = front && front->windowId == target.windowId;
            log(QStringLiteral("Target active: %1, frontmost: %2")
                    .arg(active ? QStringLiteral("true") : QStringLiteral("false"), appName(front)));
        }
        // The services outlive the road, but a chord may report after the road is gone.
        m_pasteService->simulatePaste(chord, [road = QPointer<PasteRoad>(this)] {
            if (road)
                road->arrived();
        });
    });
}
