#include "SettingsWindow.h"

#include "ui/ScreenFit.h"
#include "ui/settings/ShortcutRecorderView.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QScreen>

Q_LOGGING_CATEGORY(lcSettings, "quillbox.settings", QtInfoMsg)

namespace {

constexpr QSize initialSize{640, 640};

} // namespace

SettingsWindow::SettingsWindow(QQmlEngine &engine, const SettingsView::Services &services, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_view(new SettingsView(services, this))
{
}

SettingsWindow::~SettingsWindow()
{
    // The views go before the controller they bind to.
    delete m_window.data();
}

void SettingsWindow::create()
{
    auto *window = new QQuickView(&m_engine, nullptr);
    window->setTitle(tr("Quillbox Settings"));
    window->setFlags(Qt::Window);
    window->setResizeMode(QQuickView::SizeRootObjectToView);
    QScreen *screen = QGuiApplication::primaryScreen();
    window->setMinimumSize(ScreenFit::size(minimumSize, screen));
    const QRect frame = screen ? ScreenFit::centred(initialSize, screen->availableGeometry()) : QRect({}, initialSize);
    window->resize(frame.size());
    QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/qml/Quillbox/SettingsPage.qml")));
    const QVariantMap properties{{QStringLiteral("settings"), QVariant::fromValue(m_view)}};
    if (auto *root = qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties))) {
        root->setParent(window);
        root->setParentItem(window->contentItem());
        root->setSize(window->size());
        connect(window, &QWindow::widthChanged, root, [root, window] { root->setSize(window->size()); });
        connect(window, &QWindow::heightChanged, root, [root, window] { root->setSize(window->size()); });
    } else {
        qCWarning(lcSettings) << component.errorString();
    }
    // A recording must not outlive the window on the screen: it holds the global grabs released.
    connect(window, &QWindow::visibleChanged, m_view, [this](bool visible) {
        if (!visible)
            m_view->recorder()->stopRecording();
    });
    if (screen)
        window->setPosition(frame.topLeft());
    m_window = window;
}

void SettingsWindow::show()
{
    if (!m_window)
        create();
    m_view->refreshGeneralTab();
    m_view->recorder()->loadCombo();
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}
