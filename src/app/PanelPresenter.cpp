#include "PanelPresenter.h"

#include "FloatingPanel.h"
#include "capture/Workspace.h"
#include "model/Clock.h"
#include "platform/DesktopColorScheme.h"
#include "services/AppActions.h"
#include "ui/IconImageProvider.h"
#include "ui/ShadowImageProvider.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/StoreProblemView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QQmlEngine>
#include <QQuickItem>

PanelPresenter::PanelPresenter(
    Workspace &workspace, Clock &clock, AppActions &actions, BackendChoice::Backend backend, QObject *parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_clock(clock)
    , m_actions(actions)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_panel = std::make_unique<FloatingPanel>(backend);
    QQmlEngine *engine = m_panel->engine();
    engine->addImageProvider(QStringLiteral("icon"), new IconImageProvider);
    engine->addImageProvider(QStringLiteral("shadow"), new ShadowImageProvider);
    connect(m_panel.get(), &QQuickWindow::frameSwapped, this, [this] {
        if (m_showPending) {
            m_showPending = false;
            // Drawn, so the desktop knows the window it is asked to activate.
            m_workspace.activatePanel();
            emit shown(m_showTimer.elapsed());
        }
    });
}

PanelPresenter::~PanelPresenter() = default;

template <class View> void PanelPresenter::followColorScheme(View *view)
{
    if (!m_colorScheme)
        m_colorScheme = new DesktopColorScheme(this);
    DesktopColorScheme *scheme = m_colorScheme;
    view->setDark(scheme->prefersDark());
    connect(scheme, &DesktopColorScheme::prefersDarkChanged, view,
        [scheme, view] { view->setDark(scheme->prefersDark()); });
}

void PanelPresenter::setHistoryView(ClipboardHistoryView *view)
{
    followColorScheme(view);
    // Directly: the panel must be reset before it is brought to front.
    connect(&m_actions, &AppActions::panelWillShow, view, &ClipboardHistoryView::resetState, Qt::DirectConnection);
    connect(m_panel.get(), &FloatingPanel::keyPressed, view, [view](QKeyEvent *event) {
        if (view->handleKey(event->key(), event->modifiers(), event->text()))
            event->accept();
    });
    connect(m_panel.get(), &QWindow::visibleChanged, view, [view](bool visible) {
        // The key-down and scroll monitors work only while the panel is on screen.
        if (visible)
            view->setupMonitors();
        else
            view->removeMonitors();
    });
    m_panel->setInitialProperties({{QStringLiteral("historyView"), QVariant::fromValue(view)}});
    m_panel->setSource(QUrl(QStringLiteral("qrc:/qml/Quillbox/HistoryPanel.qml")));
}

void PanelPresenter::setStoreProblemView(StoreProblemView *view)
{
    followColorScheme(view);
    m_panel->setInitialProperties({{QStringLiteral("storeProblem"), QVariant::fromValue(view)}});
    m_panel->setSource(QUrl(QStringLiteral("qrc:/qml/Quillbox/StoreProblemPage.qml")));
}

bool PanelPresenter::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void PanelPresenter::toggle()
{
    if (isVisible())
        hide();
    else
        show();
}

void PanelPresenter::hide()
{
    if (m_panel)
        m_panel->hide();
}

void PanelPresenter::show()
{
    m_showTimer.start();
    m_previousApp = m_workspace.frontmostApplication();
    if (!m_panel)
        return;
    m_panel->centreOnPointerScreen();
    emit m_actions.panelWillShow();
    m_showPending = true;
    m_panel->show();
    m_panel->raise();
    m_panel->requestActivate();
    for (const int delayMs : {50, 150, 300}) {
        m_clock.schedule(delayMs, m_panel.get(), [panel = m_panel.get()] {
            if (!panel->isVisible() || !panel->rootObject())
                return;
            // Only while the window manager has not activated it yet: once the user has moved on
            // to another window, taking the focus back would be stealing it.
            if (!panel->isActive())
                panel->requestActivate();
            // The view only; a field that took the focus for typing keeps it.
            QQuickItem *focused = panel->activeFocusItem();
            if (!focused || focused == panel->contentItem())
                panel->rootObject()->forceActiveFocus();
        });
    }
}
