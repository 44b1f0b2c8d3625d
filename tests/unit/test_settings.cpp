#include "FakeHotkeyGrabber.h"
#include "FakeKeySynthesizer.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "RecordingSystemLog.h"
#include "StdoutCapture.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "model/HistoryLimit.h"
#include "platform/XdgAutostartEntry.h"
#include "services/AppActions.h"
#include "services/HotkeyService.h"
#include "services/KeyboardLayouts.h"
#include "services/LanguageSwitchService.h"
#include "services/TerminalPasteChords.h"
#include "ui/settings/SettingsView.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Layouts the test changes between two looks at the General tab.
struct ListedLayouts : KeyboardLayouts {
    QList<LayoutInfo> list;
    QList<LayoutInfo> layouts() const override { return list; }
    KeyTable keyTable(const LayoutInfo &) const override { return {}; }
};

} // namespace

/// The settings window's controller over real preferences, a real store and a real autostart
/// folder; hotkeys and layouts are fakes.
class TestSettings : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<TemporaryPreferences> m_settings;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<HistoryLimit> m_limit;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<XdgAutostartEntry> m_autostart;
    ListedLayouts m_layouts;
    AppActions m_actions;
    std::unique_ptr<SettingsView> m_view;

    Preferences &preferences() { return m_settings->preferences; }
    ModelContext &context() { return m_store->context(); }
    SettingsView &view() { return *m_view; }
    QString autostartPath() const { return m_autostart->path(); }

    void makeView()
    {
        SettingsView::Services services;
        services.preferences = &preferences();
        services.clock = &m_clock;
        services.actions = &m_actions;
        services.context = &context();
        services.historyLimit = m_limit.get();
        services.loginItem = m_autostart.get();
        services.keyboardLayouts = &m_layouts;
        m_view = std::make_unique<SettingsView>(services);
    }
    // What a later run of the program reads.
    QVariant storedValue(Preferences::Key key) const
    {
        Preferences reread(m_settings->path());
        return reread.isStored(key) ? reread.value(key) : QVariant();
    }
    void addItems(int unpinned, int pinned)
    {
        for (int i = 0; i < unpinned + pinned; ++i) {
            m_clock.advance(1000);
            context().insert(ClipboardItem::create(QStringLiteral("item %1").arg(i), ClipboardItemType::text,
                std::nullopt, std::nullopt, std::nullopt, i < pinned, std::nullopt, m_clock.now()));
        }
        context().save();
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<TemporaryPreferences>();
        m_store = std::make_unique<TemporaryStore>(m_clock);
        m_store->open();
        m_limit = std::make_unique<HistoryLimit>(context(), preferences());
        m_config = std::make_unique<QTemporaryDir>();
        m_autostart = std::make_unique<XdgAutostartEntry>(
            QStringLiteral("/opt/Quillbox Test/quillbox"), m_config->filePath(QStringLiteral("autostart")));
        m_layouts.list = {{"us", "English (US)"}, {"ru", "Russian"}};
        makeView();
    }
    void cleanup()
    {
        m_view.reset();
        m_limit.reset();
        m_store.reset();
    }

    void aFreshInstallationShowsTheDefaultsAndWritesNothing()
    {
        QCOMPARE(view().launchAtLogin(), false);
        QCOMPARE(view().showSourceApp(), true);
        QCOMPARE(view().playSoundOnCopy(), false);
        QCOMPARE(view().playSoundOnNavigate(), true);
        QCOMPARE(view().enableLanguageFix(), true);
        QCOMPARE(view().borderColorHex(), QStringLiteral("#FF8C00"));
        QCOMPARE(view().categorySearchKey(), QStringLiteral("tab"));
        QCOMPARE(view().maxHistoryCount(), 500);
        QVERIFY(!QFile::exists(m_settings->path()));
    }

    void everyControlWritesItsKeyWithItsType_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<int>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("show source app") << QByteArray("showSourceApp") << int(Preferences::Key::showSourceApp)
                                         << QVariant(false);
        QTest::newRow("sound on copy") << QByteArray("playSoundOnCopy") << int(Preferences::Key::playSoundOnCopy)
                                       << QVariant(true);
        QTest::newRow("click sound") << QByteArray("playSoundOnNavigate") << int(Preferences::Key::playSoundOnNavigate)
                                     << QVariant(false);
        QTest::newRow("border colour") << QByteArray("borderColorHex") << int(Preferences::Key::borderColorHex)
                                       << QVariant(QStringLiteral("#AF52DE"));
        QTest::newRow("slash") << QByteArray("categorySearchKey") << int(Preferences::Key::categorySearchKey)
                               << QVariant(QStringLiteral("slash"));
        QTest::newRow("language fix") << QByteArray("enableLanguageFix") << int(Preferences::Key::enableLanguageFix)
                                      << QVariant(false);
        QTest::newRow("launch at login") << QByteArray("launchAtLogin") << int(Preferences::Key::launchAtLogin)
                                         << QVariant(true);
    }

    void everyControlWritesItsKeyWithItsType()
    {
        QFETCH(QByteArray, property);
        QFETCH(int, key);
        QFETCH(QVariant, value);
        QVERIFY(view().setProperty(property, value));
        QCOMPARE(view().property(property), value);
        QCOMPARE(storedValue(Preferences::Key(key)), value);
        QCOMPARE(storedValue(Preferences::Key(key)).typeId(), value.typeId());
    }

    void aChangeMadeElsewhereShowsAtOnce()
    {
        QSignalSpy changed(m_view.get(), &SettingsView::preferencesChanged);
        preferences().setBorderColorHex(QStringLiteral("#FFFFFF"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(view().borderColorHex(), QStringLiteral("#FFFFFF"));
    }

    void unlimitedIsStoredAsTenThousand()
    {
        const QVariantList choices = view().historySizeChoices();
        QCOMPARE(choices.last().toMap().value("label").toString(), QStringLiteral("Unlimited"));
        view().setMaxHistoryCount(choices.last().toMap().value("value").toInt());
        QCOMPARE(storedValue(Preferences::Key::maxHistoryCount), QVariant(10000));
    }

    void theLanguageFixToggleRegistersAndReleasesItsHotkeyAtOnce()
    {
        FakeHotkeyGrabber grabber;
        HotkeyService hotkeys(grabber);
        FakePasteboard pasteboard;
        FakeKeySynthesizer keys;
        RecordingSystemLog log;
        FakeWorkspace workspace;
        const TerminalPasteChords terminals;
        LanguageSwitchService fix(pasteboard, keys, m_layouts, log, workspace, terminals, m_clock);
        fix.registerHotkey();
        QVERIFY(hotkeys.isRegistered(LanguageSwitchService::hotkeyId));

        view().setEnableLanguageFix(false);
        QVERIFY(!hotkeys.isRegistered(LanguageSwitchService::hotkeyId));
        QVERIFY(!grabber.grabs.contains(LanguageSwitchService::hotkeyId));
        log.entries.clear();
        view().setEnableLanguageFix(true);
        QVERIFY(hotkeys.isRegistered(LanguageSwitchService::hotkeyId));
        QVERIFY(grabber.grabs.contains(LanguageSwitchService::hotkeyId));
        QVERIFY(log.entries.join('\n').contains(QStringLiteral("Language fix registered")));
        // Setting what it holds registers nothing twice.
        log.entries.clear();
        view().setEnableLanguageFix(true);
        QVERIFY(log.entries.isEmpty());
    }

    void theLayoutsAreListedAfreshEachTimeTheTabIsShown()
    {
        QCOMPARE(view().installedLayouts(), (QStringList{"English (US)", "Russian"}));
        QVERIFY(!view().layoutHintIsWarning());
        QVERIFY(view().layoutHint().contains(QStringLiteral("⌘⇧L (Super + Shift + L)")));
        QCOMPARE(view().languageFixTitle(), QStringLiteral("Fix wrong keyboard layout (Super + Shift + L)"));

        m_layouts.list = {{"us", "English (US)"}};
        QCOMPARE(view().installedLayouts().size(), 2); // until the tab is shown again
        view().refreshGeneralTab();
        QCOMPARE(view().installedLayouts(), QStringList{"English (US)"});
        QVERIFY(view().layoutHintIsWarning());
        QVERIFY(view().layoutHint().contains(QStringLiteral("your desktop's keyboard settings")));
    }

    void launchAtLoginWritesAndRemovesTheAutostartEntry()
    {
        view().setLaunchAtLogin(true);
        QFile entry(autostartPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        QVERIFY(text.contains(QStringLiteral("\nExec=\"/opt/Quillbox Test/quillbox\"\n")));
        view().refreshGeneralTab();
        QVERIFY(view().launchAtLogin());

        view().setLaunchAtLogin(false);
        QVERIFY(!QFile::exists(autostartPath()));
        QCOMPARE(storedValue(Preferences::Key::launchAtLogin), QVariant(false));
    }

    void anEntryRemovedByHandShowsAsOff()
    {
        view().setLaunchAtLogin(true);
        QVERIFY(QFile::remove(autostartPath()));
        QSignalSpy changed(m_view.get(), &SettingsView::launchAtLoginChanged);
        view().refreshGeneralTab();
        QVERIFY(!view().launchAtLogin());
        QCOMPARE(changed.size(), 1);
        // And a window opened later starts from the file, not from the stored choice.
        makeView();
        QVERIFY(!view().launchAtLogin());
        QCOMPARE(storedValue(Preferences::Key::launchAtLogin), QVariant(true));
    }

    void aFailedRegistrationIsPrintedAndTheToggleKeepsTheChoice()
    {
        // The autostart folder's place is taken by a file.
        QFile blocker(m_config->filePath(QStringLiteral("autostart")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        StdoutCapture out;
        view().setLaunchAtLogin(true);
        const QStringList lines = out.finish();
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith(QStringLiteral("Failed to toggle launch at login: ")));
        QVERIFY(view().launchAtLogin());
        QCOMPARE(storedValue(Preferences::Key::launchAtLogin), QVariant(true));
    }

    void loweringTheLimitNamesTheDeletionsAndPrunesUnpinnedOnly()
    {
        addItems(120, 3);
        QCOMPARE(view().deletionsForMaxHistoryCount(250), 0);
        QCOMPARE(view().deletionsForMaxHistoryCount(100), 20);
        QCOMPARE(context().count<ClipboardItem>(), 123);
        view().setMaxHistoryCount(100);
        QCOMPARE(context().unpinnedItemCount(), 100);
        QCOMPARE(context().count<ClipboardItem>(), 103);
        // The oldest unpinned ones went; the pinned ones are the oldest of all and stayed.
        QVERIFY(context().newestItem(ItemText(QStringLiteral("item 0")), ClipboardItemType::text));
        QVERIFY(!context().newestItem(ItemText(QStringLiteral("item 22")), ClipboardItemType::text));
        QVERIFY(context().newestItem(ItemText(QStringLiteral("item 23")), ClipboardItemType::text));
        QVERIFY(context().waitForSaves());
        m_view.reset();
        m_limit.reset();
        QCOMPARE(m_store->reopen().mainContext().count<ClipboardItem>(), 103);
    }

    void clearingAllHistoryAndANewHotkeyAskTheApplication()
    {
        addItems(4, 2);
        QCOMPARE(view().historyItemCount(), 6);
        int posts = 0;
        QObject observer;
        connect(&m_actions, &AppActions::clearAllHistoryRequested, &observer, [&] { ++posts; });
        view().clearAllHistory();
        QCOMPARE(posts, 1);

        // A combination the recorder stored is registered again by the hotkey's owner.
        int reloads = 0;
        connect(&m_actions, &AppActions::hotkeyReloadRequested, &observer, [&] { ++reloads; });
        emit view().recorder()->recorded();
        QCOMPARE(reloads, 1);
    }

    void theBorderColoursAreTheEightInOrder()
    {
        QStringList hexes;
        for (const QVariant &option : view().borderColorOptions())
            hexes << option.toMap().value("hex").toString();
        QCOMPARE(hexes,
            (QStringList{"#FF8C00", "#FF3B30", "#007AFF", "#34C759", "#AF52DE", "#FF2D55", "#FFCC00", "#FFFFFF"}));
    }

    void theAboutTabShowsTheBuiltVersion()
    {
        QCOMPARE(view().version(), QStringLiteral("Version " QUILLBOX_VERSION));
        QVERIFY(view().description().contains(QStringLiteral("Linux")));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
