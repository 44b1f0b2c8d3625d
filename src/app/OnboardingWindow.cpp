#include "OnboardingWindow.h"

#include "MovableQuickView.h"
#include "model/Clock.h"
#include "model/Preferences.h"
#include "services/HotkeyBindingInstructions.h"
#include "services/KeyCombo.h"
#include "services/KeySynthesizer.h"
#include "ui/ScreenFit.h"
#include "ui/settings/OnboardingView.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QScreen>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcOnboarding, "quillbox.onboarding", QtInfoMsg)

namespace {

constexpr QSize windowSize{560, 520};

// The desktop's keyboard settings, where one of the common settings programs is installed.
std::function<void()> keyboardSettingsOpener()
{
    const std::pair<QString, QStringList> programs[] = {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("keyboard")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_keyboard")}},
        {QStringLiteral("xfce4-keyboard-settings"), {}},
    };
    for (const auto &[program, arguments] : programs) {
        const QString path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty())
            return [path, arguments] { QProcess::startDetached(path, arguments); };
    }
    return {};
}

} // namespace

OnboardingWindow::OnboardingWindow(QQmlEngine &engine, Preferences &preferences, KeySynthesizer *keys,
    bool waylandSession, bool desktopBindsHotkeys, GnomeExtensionView *gnomeExtension, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_preferences(preferences)
    , m_keys(keys)
    , m_waylandSession(waylandSession)
    , m_desktopBindsHotkeys(desktopBindsHotkeys)
    , m_gnomeExtension(gnomeExtension)
    , m_clock(clock)
{
}

void OnboardingWindow::show()
{
    if (m_window && m_window->isVisible()) {
        m_window->raise();
        m_window->requestActivate();
        return;
    }
    auto *window = new MovableQuickView(&m_engine);
    window->setTitle(tr("Welcome to Quillbox"));
    window->setFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    window->setResizeMode(QQuickView::SizeRootObjectToView);
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect frame = screen ? ScreenFit::centred(windowSize, screen->availableGeometry()) : QRect({}, windowSize);
    window->resize(frame.size());
    window->setMinimumSize(frame.size());
    window->setMaximumSize(frame.size());

    OnboardingView::PasteSupport support;
    support.isWayland = m_waylandSession;
    support.isAvailable = m_keys && m_keys->isAvailable();
    support.mechanism = m_keys ? m_keys->mechanism() : QString();
    support.openKeyboardSettings = keyboardSettingsOpener();
    QString hotkeyInstructions;
    if (m_desktopBindsHotkeys)
        hotkeyInstructions = HotkeyBindingInstructions::textForSession(
            KeyCombo::fromStored(m_preferences.hotkeyCombo()), QCoreApplication::applicationFilePath());
    auto *onboarding = new OnboardingView(std::move(support), hotkeyInstructions, m_gnomeExtension, window);
    connect(onboarding, &OnboardingView::finished, this, &OnboardingWindow::close);
    QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/qml/Quillbox/OnboardingPage.qml")));
    const QVariantMap properties{{QStringLiteral("onboarding"), QVariant::fromValue(onboarding)}};
    if (auto *root = qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties))) {
        root->setParent(window);
        root->setParentItem(window->contentItem());
        root->setSize(window->size());
        root->forceActiveFocus();
    } else {
        qCWarning(lcOnboarding) << component.errorString();
    }
    if (screen)
        window->setPosition(frame.topLeft());
    m_window = window;
    window->show();
    m_clock.schedule(100, window, [window] {
        window->raise();
        window->requestActivate();
    });
}

void OnboardingWindow::close()
{
    m_preferences.setHasSeenOnboarding(true);
    if (QQuickView *window = m_window) {
        window->close();
        // The views go before the window and the controller they bind to.
        for (QQuickItem *item : window->contentItem()->childItems())
            item->deleteLater();
        window->deleteLater();
        m_window.clear();
    }
    emit finished();
}
