#include "FakePasteboard.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "app/FloatingPanel.h"
#include "app/OnboardingWindow.h"
#include "app/SettingsWindow.h"
#include "app/Translations.h"
#include "capture/CopySourceFilter.h"
#include "model/HistoryLimit.h"
#include "services/AppActions.h"
#include "services/HistoryPause.h"
#include "services/NeverRecordedApplications.h"
#include "ui/IconImageProvider.h"
#include "ui/ShadowImageProvider.h"
#include "ui/panel/CategoryManagerView.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/StoreProblemView.h"
#include "ui/panel/ThumbnailImageProvider.h"
#include "ui/settings/GnomeExtensionView.h"
#include "ui/settings/OnboardingView.h"
#include "ui/settings/PrivacyView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/ShortcutRecorderView.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlEngineExtensionPlugin>
#include <QQuickItem>
#include <QQuickView>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>

Q_IMPORT_QML_PLUGIN(QuillboxPlugin)

namespace {

// QML reports some faults (a failed binding, a missing property) only as a logged message.
QStringList *qmlMessages = nullptr;
QtMessageHandler previousHandler = nullptr;

void collectQmlMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qmlMessages && message.contains(QLatin1String("qrc:/qml/")))
        qmlMessages->append(message);
    previousHandler(type, context, message);
}

// The panel's controller over a store of every kind of item, all in one category.
struct PanelScene {
    TemporaryStore store;
    TemporaryPreferences settings;
    FakePasteboard pasteboard;
    ManualClock clock;
    AppActions actions;
    std::unique_ptr<ClipboardHistoryView> view;

    PanelScene()
    {
        store.open();
        auto category = ClipCategory::create("Work", "#FF0000", "folder", 0, false);
        store.context().insert(category);
        const std::pair<QString, ClipboardItemType> kinds[] = {
            {"plain text", ClipboardItemType::text},
            {"https://example.org/", ClipboardItemType::url},
            {"/tmp/report.pdf", ClipboardItemType::file},
            {"screenshot.png", ClipboardItemType::image},
            {"more text", ClipboardItemType::text},
        };
        for (const auto &[content, type] : kinds) {
            auto item = ClipboardItem::create(content, type, std::nullopt, QStringLiteral("xterm"));
            item->setCategoryId(category->id());
            store.context().insert(item);
        }
        store.context().save();
        view = std::make_unique<ClipboardHistoryView>(
            store.context(), pasteboard, settings.preferences, actions, nullptr, clock);
    }
};

// The settings window's controller with every service it shows: the default categories, 120 items,
// the GNOME extension's offer and three installed applications to keep out of the history.
struct SettingsScene {
    TemporaryStore store;
    TemporaryPreferences settings;
    ManualClock clock;
    AppActions actions;
    std::unique_ptr<HistoryLimit> limit;
    GnomeExtensionView extension{QStringLiteral("Enable it."), true, true, QStringLiteral("true")};
    HistoryPause pause{settings.preferences, clock};
    CopySourceFilter filter;
    NeverRecordedApplications neverRecorded{settings.preferences, filter};
    std::unique_ptr<PrivacyView> privacy;
    SettingsView::Services services;

    SettingsScene()
    {
        store.open();
        ClipCategory::insertDefaults(store.context());
        for (int i = 0; i < 120; ++i)
            store.add(QStringLiteral("item %1").arg(i), ClipboardItemType::text, i < 2);
        limit = std::make_unique<HistoryLimit>(store.context(), settings.preferences);
        PrivacyView::Sources sources;
        sources.installed = [] {
            return QList<PrivacyView::Application>{{"org.example.Vault", "Vault", "dialog-password"},
                {"org.keepassxc.KeePassXC", "KeePassXC", "keepassxc"}, {"aardvark", "Aardvark", ""}};
        };
        sources.storePath = store.path();
        privacy = std::make_unique<PrivacyView>(neverRecorded, pause, settings.preferences, sources);
        services.preferences = &settings.preferences;
        services.clock = &clock;
        services.actions = &actions;
        services.context = &store.context();
        services.historyLimit = limit.get();
        services.clipboardProtocol = QStringLiteral("ext-data-control-v1");
        services.gnomeExtension = &extension;
        services.privacy = privacy.get();
    }
};

// What a person would see cut off or drawn over in `window`: a window larger than its screen's free
// area, a text that neither fits its item nor is elided, a text outside the window or its scrolling
// view's sides, and two texts drawn over each other. Texts scrolled partly out of a view are left out.
QStringList layoutFaults(QQuickWindow *window, const QString &scene)
{
    QStringList faults;
    const auto fault = [&](const QString &what) { faults.append(scene + QStringLiteral(": ") + what); };
    const QRect available = window->screen()->availableGeometry();
    if (window->width() > available.width() || window->height() > available.height())
        fault(QStringLiteral("the window, %1 × %2, is larger than the screen's free %3 × %4")
                  .arg(window->width())
                  .arg(window->height())
                  .arg(available.width())
                  .arg(available.height()));
    const QRectF windowRect(0, 0, window->width(), window->height());
    // A menu or dialog is drawn over what is behind it: texts overlap only within one layer.
    struct Drawn {
        QRectF rect;
        QString text;
        const QQuickItem *layer;
    };
    QList<Drawn> drawn;
    std::function<void(QQuickItem *, qreal, QQuickItem *, const QQuickItem *)> walk =
        [&](QQuickItem *item, qreal opacity, QQuickItem *flickable, const QQuickItem *layer) {
            opacity *= item->opacity();
            if (item->inherits("QQuickPopupItem")) {
                layer = item;
                flickable = nullptr;
            }
            if (!item->isVisible() || opacity <= 0.01)
                return;
            const bool isText = item->inherits("QQuickText") || item->inherits("QQuickTextInput");
            const QString text = item->property("text").toString();
            if (isText && !text.trimmed().isEmpty()) {
                const qreal width = std::min(item->width(), item->property("contentWidth").toReal());
                const qreal height = std::min(item->height(), item->property("contentHeight").toReal());
                const QString name = QStringLiteral("\"%1\"").arg(text.left(40));
                // An input scrolls what does not fit; an elided text says there is more.
                if (item->inherits("QQuickText") && !item->property("truncated").toBool()
                    && (item->property("contentWidth").toReal() > item->width() + 1
                        || item->property("contentHeight").toReal() > item->height() + 1)) {
                    fault(QStringLiteral("%1 needs %2 × %3 and has %4 × %5")
                              .arg(name)
                              .arg(item->property("contentWidth").toReal())
                              .arg(item->property("contentHeight").toReal())
                              .arg(item->width())
                              .arg(item->height()));
                }
                const int align = item->property("effectiveHorizontalAlignment").toInt();
                const int valign = item->property("verticalAlignment").toInt();
                const qreal x = align & Qt::AlignRight ? item->width() - width
                    : align & Qt::AlignHCenter         ? (item->width() - width) / 2
                                                       : 0;
                const qreal y = valign & Qt::AlignBottom ? item->height() - height
                    : valign & Qt::AlignVCenter          ? (item->height() - height) / 2
                                                         : 0;
                const QRectF rect = item->mapRectToScene(QRectF(x, y, width, height));
                const QRectF bounds = flickable
                    ? flickable->mapRectToScene(QRectF(0, 0, flickable->width(), flickable->height()))
                    : windowRect;
                if (rect.left() < bounds.left() - 1 || rect.right() > bounds.right() + 1)
                    fault(
                        QStringLiteral("%1 runs past the side of %2").arg(name, flickable ? "its view" : "the window"));
                else if (!flickable && (rect.top() < bounds.top() - 1 || rect.bottom() > bounds.bottom() + 1))
                    fault(QStringLiteral("%1 runs past the window's top or bottom").arg(name));
                else if (!flickable || bounds.contains(rect))
                    drawn.append({rect, text, layer});
            }
            if (item->inherits("QQuickFlickable"))
                flickable = item;
            for (QQuickItem *child : item->childItems())
                walk(child, opacity, flickable, layer);
        };
    walk(window->contentItem(), 1, nullptr, nullptr);
    for (qsizetype i = 0; i < drawn.size(); ++i) {
        for (qsizetype j = i + 1; j < drawn.size(); ++j) {
            if (drawn[i].layer != drawn[j].layer)
                continue;
            const QRectF both = drawn[i].rect.intersected(drawn[j].rect);
            if (both.width() > 1 && both.height() > 1)
                fault(QStringLiteral("\"%1\" and \"%2\" are drawn over each other")
                          .arg(drawn[i].text.left(40), drawn[j].text.left(40)));
        }
    }
    return faults;
}

} // namespace

/// Every view of the module, loaded from its resource URL with its real controller, must draw each
/// of its states without a single QML warning.
class TestQmlViews : public QObject {
    Q_OBJECT

    QStringList m_messages;
    std::unique_ptr<QQuickView> m_window;

    void load(const char *file, const QVariantMap &properties)
    {
        m_window = std::make_unique<QQuickView>();
        connect(m_window->engine(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
            for (const QQmlError &warning : warnings)
                m_messages.append(warning.toString());
        });
        m_window->engine()->addImageProvider(QStringLiteral("icon"), new IconImageProvider);
        m_window->engine()->addImageProvider(QStringLiteral("shadow"), new ShadowImageProvider);
        m_window->setInitialProperties(properties);
        m_window->setSource(QUrl(QStringLiteral("qrc:/qml/Quillbox/") + QLatin1String(file)));
        QCOMPARE(m_window->status(), QQuickView::Ready);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    template <class T> T *find(const char *name) const { return m_window->rootObject()->findChild<T *>(name); }
    // The named item among the drawn ones (a repeater's items have no QObject parent to find them by).
    QQuickItem *drawnItem(const QString &name, QQuickWindow *window = nullptr) const
    {
        std::function<QQuickItem *(QQuickItem *)> walk = [&](QQuickItem *item) -> QQuickItem * {
            if (item->objectName() == name)
                return item;
            for (QQuickItem *child : item->childItems()) {
                if (QQuickItem *found = walk(child))
                    return found;
            }
            return nullptr;
        };
        return walk((window ? window : m_window.get())->contentItem());
    }
    // A click in the middle of the named item, as the pointer makes it.
    void click(const char *name)
    {
        // A tab or a loader may still be bringing the item in on a loaded machine.
        QQuickItem *item = nullptr;
        QTRY_VERIFY2((item = drawnItem(QLatin1String(name))) && item->isVisible(), name);
        QTest::mouseClick(m_window.get(), Qt::LeftButton, {},
            item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    }
    // Waits for a frame drawn after now: whatever the last change brought in has been laid out and
    // drawn, and has said so if it could not be.
    void waitForFrame(QQuickWindow *window = nullptr)
    {
        if (!window)
            window = m_window.get();
        bool drawn = false;
        QObject context;
        connect(window, &QQuickWindow::frameSwapped, &context, [&drawn] { drawn = true; });
        window->update();
        QTRY_VERIFY(drawn);
    }
    // Waits until the named popup has opened; keys go to it from then on.
    void waitForPopup(const char *name)
    {
        QObject *popup = nullptr;
        QTRY_VERIFY2(
            (popup = m_window->rootObject()->findChild<QObject *>(name)) && popup->property("opened").toBool(), name);
    }

    // The panel's real window over `scene`, its keys going first to the controller as the program's do.
    bool showPanel(PanelScene &scene, std::unique_ptr<FloatingPanel> &panel)
    {
        panel = std::make_unique<FloatingPanel>(QGuiApplication::platformName() == QLatin1String("wayland")
                ? BackendChoice::Backend::wayland
                : BackendChoice::Backend::x11);
        panel->engine()->addImageProvider(QStringLiteral("icon"), new IconImageProvider);
        panel->engine()->addImageProvider(QStringLiteral("shadow"), new ShadowImageProvider);
        panel->engine()->addImageProvider(QStringLiteral("thumbnail"), new ThumbnailImageProvider(scene.store.path()));
        ClipboardHistoryView *view = scene.view.get();
        connect(panel.get(), &FloatingPanel::keyPressed, view, [view](QKeyEvent *event) {
            if (view->handleKey(event->key(), event->modifiers(), event->text()))
                event->accept();
        });
        panel->setInitialProperties({{"historyView", QVariant::fromValue(view)}});
        panel->setSource(QUrl(QStringLiteral("qrc:/qml/Quillbox/HistoryPanel.qml")));
        if (panel->status() != QQuickView::Ready)
            return false;
        view->resetState();
        panel->centreOnPointerScreen();
        panel->show();
        return QTest::qWaitForWindowExposed(panel.get());
    }

private slots:
    // The desktop's language, as the program takes it (the layout is checked in Russian too).
    void initTestCase() { Translations::install(*QCoreApplication::instance(), QLocale::system().uiLanguages()); }
    void init()
    {
        m_messages.clear();
        qmlMessages = &m_messages;
        previousHandler = qInstallMessageHandler(collectQmlMessages);
    }
    void cleanup()
    {
        m_window.reset();
        qInstallMessageHandler(previousHandler);
        qmlMessages = nullptr;
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
    }

    void theHistoryPanelDrawsEveryState()
    {
        PanelScene scene;
        ClipboardHistoryView &view = *scene.view;
        ManualClock &clock = scene.clock;
        load("HistoryPanel.qml", {{"historyView", QVariant::fromValue(&view)}});
        m_window->engine()->addImageProvider(
            QStringLiteral("thumbnail"), new ThumbnailImageProvider(scene.store.path()));
        view.resetState();
        view.setDark(true);
        // Each kind of row draws its own body.
        const auto drawnTexts = [this] {
            QStringList drawn;
            std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
                if (item->isVisible() && item->property("text").isValid())
                    drawn.append(item->property("text").toString());
                for (QQuickItem *child : item->childItems())
                    walk(child);
            };
            walk(m_window->rootObject());
            return drawn;
        };
        for (const char *shown : {"plain text", "https://example.org/", "report.pdf", "screenshot.png"})
            QTRY_VERIFY2(drawnTexts().contains(QLatin1String(shown)), shown);

        const auto step = [&](auto action) {
            action();
            clock.advance(1000);
            waitForFrame();
        };
        // Each state brings in the components behind one of the view's loaders.
        step([&] { view.openSearch(); });
        step([&] { view.filter()->setSearchText("text"); });
        step([&] { view.closeSearch(); });
        step([&] { view.filter()->navigateCategory(1); });
        step([&] { view.triggerCategorySearch(); });
        step([&] { view.triggerCategorySearch(); });
        step([&] { view.startCreatingNew(); });
        step([&] { view.newItemEditor()->setText("typed"); });
        step([&] { view.cancelCreate(); });
        step([&] { view.startEditing(view.filter()->filteredItems().first()->id().toString(QUuid::WithoutBraces)); });
        step([&] { view.cancelEdit(); });
        step([&] { view.filter()->setSelectedFilterId({}); });
        step([&] { view.clickRow(0, Qt::ControlModifier); });
        step([&] { view.clickRow(4, Qt::ControlModifier); });
        step([&] { view.pasteSelection(); });
        QVERIFY(view.showCombinePanel());
        QVERIFY(find<QQuickItem>("combinePanel")->property("item").value<QObject *>());
        step([&] { view.cancelCombine(); });
        step([&] { view.showCopyFailure(*view.filter()->filteredItems().first()); });
        QTRY_VERIFY(find<QQuickItem>("notice")->property("visible").toBool()); // it fades in
        m_window.reset(); // before the controller it binds to
    }

    void inputInTheViewsReachesTheControllers()
    {
        TemporaryStore store;
        store.open();
        TemporaryPreferences settings;
        FakePasteboard pasteboard;
        ManualClock clock;
        for (const char *content : {"first", "second"})
            store.context().insert(ClipboardItem::create(content, ClipboardItemType::text));
        store.context().save();
        AppActions actions;
        ClipboardHistoryView view(store.context(), pasteboard, settings.preferences, actions, nullptr, clock);
        load("HistoryPanel.qml", {{"historyView", QVariant::fromValue(&view)}});
        const auto closeFirst = qScopeGuard([this] { m_window.reset(); }); // before the controller it binds to
        view.resetState();
        clock.advance(0);

        // The colours follow the controller's light or dark look.
        auto *background = find<QQuickItem>("panelBackground");
        QVERIFY(background);
        view.setDark(false);
        const QColor light = background->property("color").value<QColor>();
        view.setDark(true);
        QVERIFY(background->property("color").value<QColor>().lightness() < light.lightness());
        view.setDark(false);
        QCOMPARE(background->property("color").value<QColor>(), light);

        // Typing into the search field filters.
        view.openSearch();
        clock.advance(1000);
        auto *input = find<QQuickItem>("searchInput");
        QVERIFY(input);
        input->forceActiveFocus();
        QTest::keyClick(m_window.get(), Qt::Key_S);
        QTest::keyClick(m_window.get(), Qt::Key_E);
        QCOMPARE(view.filter()->searchText(), QStringLiteral("se"));
        view.closeSearch();
        clock.advance(1000);

        // A row's pin button pins that row's item, and only that.
        QList<QQuickItem *> pinButtons;
        std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
            if (item->property("tip").toString() == QLatin1String("Pin"))
                pinButtons.append(item);
            for (QQuickItem *child : item->childItems())
                walk(child);
        };
        walk(m_window->rootObject());
        QVERIFY(!pinButtons.isEmpty());
        QVERIFY(QMetaObject::invokeMethod(pinButtons.first(), "clicked"));
        int pinned = 0;
        for (const auto &item : store.context().fetch<ClipboardItem>())
            pinned += item->isPinned();
        QCOMPARE(pinned, 1);
    }

    void theStoreProblemShowsTheFileAndTheReasonAsPlainText()
    {
        // File names are the person's: markup in them is shown, never interpreted.
        const QString file = "/home/a/<b>x</b> & y/Quillbox.sqlite";
        StoreProblemView problem(file, "it was written by a newer version of Quillbox (store version 9)");
        load("StoreProblemPage.qml", {{"storeProblem", QVariant::fromValue(&problem)}});

        auto *shownFile = find<QQuickItem>("storeFile");
        auto *shownReason = find<QQuickItem>("storeReason");
        QVERIFY(shownFile && shownReason);
        QCOMPARE(shownFile->property("text").toString(), file);
        QCOMPARE(shownFile->property("textFormat").toInt(), int(Qt::PlainText));
        QCOMPARE(shownReason->property("text").toString(),
            "It was written by a newer version of Quillbox (store version 9).");
        m_window.reset();
    }

    void theSettingsWindowDrawsEveryTabAndClicksReachTheControllers()
    {
        SettingsScene scene;
        TemporaryPreferences &settings = scene.settings;
        ManualClock &clock = scene.clock;
        SettingsView view(scene.services);
        load("SettingsPage.qml", {{"settings", QVariant::fromValue(&view)}});
        const auto closeFirst = qScopeGuard([this] { m_window.reset(); }); // before the controller it binds to

        click("border#FF3B30");
        QCOMPARE(settings.preferences.borderColorHex(), QStringLiteral("#FF3B30"));
        click("tabCategories");
        click("addCategory");
        QVERIFY(view.categoryManager()->isAddingNew());
        QTRY_VERIFY(drawnItem("addForm") && drawnItem("addForm")->isVisible());
        view.categoryManager()->beginEdit(0);
        waitForPopup("editSheet");
        QTest::keyClick(m_window.get(), Qt::Key_Escape); // the sheet closes itself
        QCOMPARE(view.categoryManager()->editingRow(), -1);
        view.categoryManager()->cancelAdding();

        click("tabShortcuts");
        click("recordButton");
        QVERIFY(view.recorder()->isRecording());
        clock.advance(ShortcutRecorderView::silenceMs);
        QTRY_VERIFY(drawnItem("recorderMessage") && drawnItem("recorderMessage")->isVisible());
        click("recordButton");
        QVERIFY(!view.recorder()->isRecording());
        click("choice/ (Slash)");
        QCOMPARE(settings.preferences.categorySearchKey(), Preferences::CategorySearchKey::slash);

        click("tabStorage");
        click("choice250");
        QCOMPARE(settings.preferences.maxHistoryCount(), 250); // nothing to delete: no question
        click("choice100");
        QCOMPARE(settings.preferences.maxHistoryCount(), 250); // asked first
        waitForPopup("limitDialog");
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(settings.preferences.maxHistoryCount(), 100);
        QCOMPARE(scene.store.context().count<ClipboardItem>(), 102);

        click("tabPrivacy");
        QTRY_VERIFY(drawnItem("storageNote"));
        QVERIFY(drawnItem("storageNote")->property("text").toString().contains("never leaves it"));
        const qsizetype defaults = NeverRecordedApplications::defaults.size();
        QCOMPARE(scene.neverRecorded.ids().size(), defaults);
        click("removeApplication"); // the first row's
        QCOMPARE(scene.neverRecorded.ids().size(), defaults - 1);
        QVERIFY(!scene.neverRecorded.ids().contains("org.keepassxc.KeePassXC"));
        // Offered by name, those listed left out; Return adds the first.
        click("addInstalled");
        waitForPopup("applicationPicker");
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(scene.neverRecorded.ids().last(), QStringLiteral("aardvark"));
        // A row picked with the pointer goes with Delete.
        QTRY_VERIFY(!m_window->rootObject()->findChild<QObject *>("applicationPicker")->property("visible").toBool());
        click("neverRecordList");
        QTest::keyClick(m_window.get(), Qt::Key_Delete);
        QCOMPARE(scene.neverRecorded.ids().size(), defaults - 1);
        // The pasteboard's filter follows the list.
        for (const QString &id : scene.neverRecorded.ids())
            QVERIFY(scene.filter.excludes({id}));
        QVERIFY(!scene.filter.excludes({"keepassxc"}));

        click("pauseUntilResumed");
        QVERIFY(scene.pause.isPaused() && !scene.pause.end());
        click("resumeHistory");
        QVERIFY(!scene.pause.isPaused());
        click("choice10 MB");
        QCOMPARE(settings.preferences.largestItemMegabytes(), 10);
        click("choice30 days");
        QCOMPARE(settings.preferences.keepUnpinnedDays(), 30);

        click("tabAbout");
        QTRY_VERIFY(drawnItem("version") && drawnItem("version")->property("text").toString() == view.version());
        QVERIFY(drawnItem("clipboardProtocol"));
        QCOMPARE(drawnItem("clipboardProtocol")->property("text").toString(),
            QStringLiteral("Clipboard: ext-data-control-v1"));
        // The extension is switched on only once the person agreed to the command.
        click("enableGnomeExtension");
        waitForPopup("enableDialog");
        QVERIFY(!scene.extension.isEnabling() && scene.extension.status().isEmpty());
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QTRY_VERIFY(drawnItem("gnomeExtensionStatus") && drawnItem("gnomeExtensionStatus")->isVisible());
        QVERIFY(scene.extension.status().startsWith("The extension is enabled"));
        click("tabGeneral");
    }

    // WCAG AA: every text colour reads at 4.5:1 on every background it is drawn on, in both themes, and
    // the selection's outline stands out 3:1 from the panel in every border colour offered.
    void theThemeMeetsWcagContrast()
    {
        const auto luminance = [](const QColor &color) {
            const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
        };
        const auto contrast = [&](const QColor &a, const QColor &b) {
            const double la = luminance(a);
            const double lb = luminance(b);
            return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
        };
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qml"));
        QQmlComponent holder(&engine);
        holder.setData("import QtQml\nimport Quillbox\nQtObject { property var theme: Theme }", {});
        std::unique_ptr<QObject> root(holder.create());
        QVERIFY2(root, qPrintable(holder.errorString()));
        QObject *theme = qvariant_cast<QObject *>(root->property("theme"));
        QVERIFY(theme);
        const QStringList texts
            = {"primaryText", "secondaryText", "tertiaryText", "warningText", "accentText", "linkBlue"};
        const QStringList backgrounds = {"panelBackground", "cardNormal", "cardHovered", "cardSelected",
            "fieldBackground", "windowBackground", "groupBackground"};
        TemporaryPreferences settings;
        SettingsView::Services services;
        services.preferences = &settings.preferences;
        ManualClock clock;
        services.clock = &clock;
        AppActions actions;
        services.actions = &actions;
        const QVariantList borderColors = SettingsView(services).borderColorOptions();
        for (const bool dark : {false, true}) {
            theme->setProperty("dark", dark);
            for (const QString &text : texts) {
                for (const QString &background : backgrounds) {
                    const double ratio = contrast(theme->property(qPrintable(text)).value<QColor>(),
                        theme->property(qPrintable(background)).value<QColor>());
                    QVERIFY2(ratio >= 4.5,
                        qPrintable(QStringLiteral("%1 on %2, %3: %4:1")
                                       .arg(text, background, dark ? "dark" : "light")
                                       .arg(ratio, 0, 'f', 2)));
                }
            }
            for (const QVariant &option : borderColors) {
                const QString hex = option.toMap().value("hex").toString();
                QVariant ring;
                QVERIFY(
                    QMetaObject::invokeMethod(theme, "ringColor", Q_RETURN_ARG(QVariant, ring), Q_ARG(QVariant, hex)));
                const double ratio = contrast(ring.value<QColor>(), theme->property("panelBackground").value<QColor>());
                QVERIFY2(ratio >= 3,
                    qPrintable(QStringLiteral("ring of %1, %2: %3:1")
                                   .arg(hex, dark ? "dark" : "light")
                                   .arg(ratio, 0, 'f', 2)));
            }
        }
    }

    void theOnboardingPagesStepThroughToTheEnd()
    {
        int finished = 0;
        OnboardingView onboarding({});
        connect(&onboarding, &OnboardingView::finished, this, [&] { ++finished; });
        load("OnboardingPage.qml", {{"onboarding", QVariant::fromValue(&onboarding)}});
        for (int page = 1; page < onboarding.pageCount(); ++page) {
            QTest::keyClick(m_window.get(), Qt::Key_Return);
            QCOMPARE(onboarding.page(), page);
        }
        QVERIFY(m_window->rootObject()->property("isLastPage").toBool());
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(finished, 1);
        m_window.reset();
    }

    // A menu opened with the pointer over the panel takes the keys: ↓ moves in it and Return picks the
    // entry, where the list behind would have moved and pasted. The question it asks takes Return too.
    void aMenuOverThePanelTakesTheKeys()
    {
        PanelScene scene;
        std::unique_ptr<FloatingPanel> panel;
        QVERIFY(showPanel(scene, panel));
        const auto closeFirst = qScopeGuard([&panel] { panel.reset(); }); // before the controller it binds to
        scene.clock.advance(1000);
        QQuickItem *menuButton = drawnItem(QStringLiteral("menuButton"), panel.get());
        QVERIFY(menuButton);
        QTest::mouseClick(panel.get(), Qt::LeftButton, {},
            menuButton->mapToScene(QPointF(menuButton->width() / 2, menuButton->height() / 2)).toPoint());
        const auto highlighted = [&] {
            QQuickItem *focused = panel->activeFocusItem();
            return focused ? focused->property("text").toString() : QString();
        };
        for (int presses = 0; presses < 6 && highlighted() != QLatin1String("Clear All History"); ++presses)
            QTest::keyClick(panel.get(), Qt::Key_Down);
        QCOMPARE(highlighted(), QStringLiteral("Clear All History"));
        QCOMPARE(scene.view->selection()->selectedIndex(), 0); // the list did not move
        QTest::keyClick(panel.get(), Qt::Key_Return);
        QObject *dialog = panel->rootObject()->findChild<QObject *>("clearHistoryDialog");
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("opened").toBool());
        QCOMPARE(scene.store.context().count<ClipboardItem>(), 5);
        QTest::keyClick(panel.get(), Qt::Key_Return);
        QTRY_COMPARE(scene.store.context().count<ClipboardItem>(), 0);
        QVERIFY(panel->isVisible()); // nothing was pasted, which hides the panel
    }

    // A person without a pointer: Tab reaches every control of every settings tab and of each welcome
    // page, in a ring, and Space or Return works the control reached.
    void everyControlIsReachedWithTabAndWorkedWithTheKeyboard()
    {
        const auto controls = [](QQuickItem *root) {
            QList<QQuickItem *> found;
            std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
                if (!item->isVisible() || !item->isEnabled())
                    return;
                if (item->inherits("QQuickAbstractButton") || item->inherits("QQuickTextInput")
                    || item->activeFocusOnTab())
                    found.append(item);
                for (QQuickItem *child : item->childItems())
                    walk(child);
            };
            walk(root);
            return found;
        };
        // The controls Tab stops at, from the focus now until it comes round again; each must be
        // scrolled into the window as it is reached.
        QStringList outOfView;
        const auto tabRing = [this, &outOfView] {
            QList<QQuickItem *> reached;
            for (int presses = 0; presses < 200; ++presses) {
                QTest::keyClick(m_window.get(), Qt::Key_Tab);
                QQuickItem *focused = m_window->activeFocusItem();
                if (!focused || reached.contains(focused))
                    break;
                reached.append(focused);
                const QRectF shown = focused->mapRectToScene(QRectF(0, 0, focused->width(), focused->height()));
                if (!QRectF(0, 0, m_window->width(), m_window->height()).contains(shown))
                    outOfView.append(focused->property("text").toString() + focused->objectName());
            }
            return reached;
        };
        const auto unreached = [](const QList<QQuickItem *> &all, const QList<QQuickItem *> &reached) {
            QStringList missed;
            for (QQuickItem *control : all) {
                const bool hit = std::any_of(reached.cbegin(), reached.cend(), [control](QQuickItem *focused) {
                    for (QQuickItem *item = focused; item; item = item->parentItem()) {
                        if (item == control)
                            return true;
                    }
                    return false;
                });
                if (!hit)
                    missed.append(QStringLiteral("%1 \"%2\"")
                                      .arg(control->metaObject()->className(),
                                          control->property("text").toString() + control->property("label").toString()
                                              + control->objectName()));
            }
            return missed;
        };

        SettingsScene scene;
        SettingsView view(scene.services);
        load("SettingsPage.qml", {{"settings", QVariant::fromValue(&view)}});
        const auto closeFirst = qScopeGuard([this] { m_window.reset(); }); // before the controller it binds to
        QStringList missed;
        for (const char *tab : {"General", "Categories", "Shortcuts", "Storage", "Privacy", "About"}) {
            click((QByteArray("tab") + tab).constData());
            waitForFrame();
            missed += unreached(controls(m_window->contentItem()), tabRing());
        }
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join('\n')));
        QVERIFY2(outOfView.isEmpty(), qPrintable(outOfView.join('\n')));

        // Tabs open with Space and → moves along them; a switch flips with Space and Return; a
        // choice is taken with Return.
        click("tabGeneral");
        drawnItem("tabGeneral")->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(m_window.get(), Qt::Key_Right);
        QTest::keyClick(m_window.get(), Qt::Key_Space);
        QCOMPARE(m_window->rootObject()->property("currentTab").toInt(), 1);
        click("tabGeneral");
        QQuickItem *toggle = drawnItem("switch");
        QVERIFY(toggle);
        const bool wasChecked = toggle->property("checked").toBool();
        toggle->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(m_window.get(), Qt::Key_Space);
        QTRY_COMPARE(toggle->property("checked").toBool(), !wasChecked);
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QTRY_COMPARE(toggle->property("checked").toBool(), wasChecked);
        click("tabStorage");
        QQuickItem *choice = drawnItem("choice250");
        QVERIFY(choice);
        choice->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(scene.settings.preferences.maxHistoryCount(), 250);
        m_window.reset();

        OnboardingView onboarding({});
        load("OnboardingPage.qml", {{"onboarding", QVariant::fromValue(&onboarding)}});
        for (int page = 0; page < onboarding.pageCount(); ++page) {
            QTest::qWait(300); // the pages cross-fade
            const QStringList missedHere = unreached(controls(m_window->rootObject()), tabRing());
            QVERIFY2(missedHere.isEmpty(), qPrintable(QStringLiteral("page %1: ").arg(page) + missedHere.join('\n')));
            m_window->rootObject()->forceActiveFocus();
            QTest::keyClick(m_window.get(), Qt::Key_Return);
        }
    }

    // Registered again for each scale desktops use: Xft.dpi 120, 144 and 192 on a 1920 × 1080 X screen,
    // a Wayland output scaled 2× and QT_SCALE_FACTOR. Each real window fits its screen, shrinking where
    // it must, and in every state of it nothing is cut off or drawn over another text.
    void theViewsFitTheScreenAtEveryScale()
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        qInfo("scale %.2f, the screen's free area %d × %d", screen->devicePixelRatio(),
            screen->availableGeometry().width(), screen->availableGeometry().height());
        QStringList faults;
        const auto look = [&](QQuickWindow *window, const QString &scene, const std::function<void()> &action) {
            action();
            QCoreApplication::processEvents();
            waitForFrame(window);
            faults += layoutFaults(window, scene);
        };
        const auto clickOn = [](QQuickWindow *window, QQuickItem *item) {
            QTest::mouseClick(
                window, Qt::LeftButton, {}, item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        };
        {
            PanelScene scene;
            std::unique_ptr<FloatingPanel> shown;
            QVERIFY(showPanel(scene, shown));
            FloatingPanel &panel = *shown;
            ClipboardHistoryView &view = *scene.view;
            const auto step = [&](const QString &state, const std::function<void()> &action) {
                look(&panel, state, [&] {
                    action();
                    scene.clock.advance(1000);
                });
            };
            step("the panel", [] {});
            step("the panel, searching", [&] {
                view.openSearch();
                view.filter()->setSearchText("text");
            });
            step("the panel's new item", [&] {
                view.closeSearch();
                view.startCreatingNew();
            });
            step("the panel's edit card", [&] {
                view.cancelCreate();
                view.startEditing(view.filter()->filteredItems().first()->id().toString(QUuid::WithoutBraces));
            });
            step("the panel's combine card", [&] {
                view.cancelEdit();
                view.clickRow(0, Qt::ControlModifier);
                view.clickRow(1, Qt::ControlModifier);
                view.pasteSelection();
            });
            step("the panel's menu", [&] {
                view.cancelCombine();
                QQuickItem *menuButton = drawnItem(QStringLiteral("menuButton"), &panel);
                QVERIFY(menuButton);
                clickOn(&panel, menuButton);
            });
        }
        {
            SettingsScene scene;
            QQmlEngine engine;
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            engine.addImageProvider(QStringLiteral("icon"), new IconImageProvider);
            SettingsWindow settings(engine, scene.services);
            settings.show();
            QQuickWindow *window = settings.window();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (const char *tab : {"General", "Categories", "Shortcuts", "Storage", "Privacy", "About"}) {
                look(window, QStringLiteral("the %1 tab").arg(tab), [&] {
                    QQuickItem *button = nullptr;
                    QTRY_VERIFY((button = drawnItem(QStringLiteral("tab") + QLatin1String(tab), window)));
                    clickOn(window, button);
                });
            }
        }
        {
            TemporaryPreferences settings;
            ManualClock clock;
            QQmlEngine engine;
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            engine.addImageProvider(QStringLiteral("icon"), new IconImageProvider);
            GnomeExtensionView extension(QStringLiteral("Enable it."), true, true, QStringLiteral("true"));
            OnboardingWindow onboarding(engine, settings.preferences, nullptr, false, true, &extension, clock);
            onboarding.show();
            QQuickWindow *window = onboarding.window();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QQuickItem *page = window->contentItem()->childItems().value(0);
            QVERIFY(page);
            for (int shown = 1; shown < 10; ++shown) {
                look(window, QStringLiteral("onboarding page %1").arg(shown), [] { QTest::qWait(300); }); // the fade
                if (page->property("isLastPage").toBool())
                    break;
                QTest::keyClick(window, Qt::Key_Return);
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

QTEST_MAIN(TestQmlViews)
#include "test_qml_views.moc"
