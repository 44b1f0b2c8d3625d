#include "FakeHotkeyGrabber.h"
#include "FakeKeySynthesizer.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "RecordingSystemLog.h"
#include "StdoutCapture.h"
#include "TestImages.h"
#include "app/AppDelegate.h"
#include "app/FloatingPanel.h"
#include "app/PanelPresenter.h"
#include "app/PasteRoad.h"
#include "capture/ClipboardMonitor.h"
#include "capture/PasteboardWriter.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"
#include "platform/x11/XkbKeyboardLayouts.h"
#include "services/DesktopNotifier.h"
#include "services/HotkeyGrabber.h"
#include "services/KeyCombo.h"
#include "services/KeySynthesizer.h"
#include "services/LanguageSwitchService.h"
#include "services/PasteService.h"
#include "services/SoundPlayer.h"
#include "services/SystemLog.h"
#include "ui/panel/StoreProblemView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct NoKeys : KeySynthesizer {
    QString mechanism() const override { return QStringLiteral("XTest"); }
    bool isAvailable() const override { return false; }
    bool hasConnection() const override { return false; }
    void pressChord(int, std::uint32_t, ChordSent sent) override { sent(false); }
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }
};

// The debug log's messages, without their time stamps.
QStringList debugLogMessages(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList messages;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
        messages.append(line.section(QStringLiteral("] "), 1));
    return messages;
}

// The preferences file as a person or another program left it.
void writePreferences(const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(Preferences::defaultPath()).absolutePath());
    QFile file(Preferences::defaultPath());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(contents);
}

struct CountingSound : SoundPlayer {
    int copySounds = 0;
    void playNavigationClick() override { }
    void playCopySound() override { ++copySounds; }
};

const RunningApplication editor{QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor"), 42, 0x400001};

} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT

    QTemporaryDir m_dataHome;
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    FakePasteboard m_pasteboard;
    FakeWorkspace m_workspace;

    static QString idText(const std::shared_ptr<ClipboardItem> &item)
    {
        return item->id().toString(QUuid::WithoutBraces).toUpper();
    }

    std::unique_ptr<AppDelegate> launch()
    {
        auto delegate = std::make_unique<AppDelegate>(m_pasteboard, m_workspace);
        delegate->applicationDidFinishLaunching();
        return delegate;
    }

    // A launched delegate with the paste road's services: fake keys and script, a recording system log,
    // a debug log file of its own and a manual clock.
    struct PasteRoad {
        QTemporaryDir dir;
        ManualClock clock;
        FakeKeySynthesizer keys;
        RecordingSystemLog log;
        FakeScriptRunner script;
        PasteService paste{keys, log, script, dir.filePath("debug.log")};
        AppDelegate delegate;

        PasteRoad(Pasteboard &pasteboard, Workspace &workspace)
            : delegate(pasteboard, workspace,
                PlatformServices{nullptr, &keys, nullptr, &log, &paste, nullptr, nullptr, nullptr, &clock})
        {
            delegate.applicationDidFinishLaunching();
        }
        ~PasteRoad() { delegate.applicationWillTerminate(); }
        QStringList debugLog() const { return debugLogMessages(dir.filePath("debug.log")); }
    };

private slots:
    void init()
    {
        QVERIFY(m_dataHome.isValid());
        QFile::remove(m_dataHome.filePath("Quillbox/Quillbox.sqlite"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        // Each test's unsaved changes are its own.
        m_elsewhere = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_elsewhere->filePath("cache")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_elsewhere->filePath("runtime")));
    }

    void firstLaunchSeedsTheDefaultsOnce()
    {
        {
            const auto delegate = launch();
            QVERIFY(delegate->modelContainer());
            QCOMPARE(delegate->modelContainer()->path(), m_dataHome.filePath("Quillbox/Quillbox.sqlite"));
            QVERIFY(delegate->clipboardMonitor()->isMonitoring());
            ModelContext &context = delegate->modelContainer()->mainContext();
            const auto categories
                = context.fetch<ClipCategory>({{}, SortDescriptor<ClipCategory>(&ClipCategory::sortOrder)});
            QCOMPARE(categories.size(), 5);
            for (int i = 0; i < categories.size(); ++i) {
                QCOMPARE(categories.at(i)->name(), ClipCategory::defaults.at(i).name);
                QCOMPARE(categories.at(i)->sortOrder(), i);
                QVERIFY(categories.at(i)->isDefault());
            }
            const auto templates
                = context.fetch<PasteTemplate>({{}, SortDescriptor<PasteTemplate>(&PasteTemplate::sortOrder)});
            QCOMPARE(templates.size(), 10);
            QCOMPARE(templates.last()->name(), QStringLiteral("SQL IN"));
            QCOMPARE(templates.last()->sortOrder(), 9);

            // The user renames and deletes defaults; later launches leave that alone.
            categories.first()->setName("Notes");
            context.remove(categories.last());
            delegate->applicationWillTerminate();
            QVERIFY(!delegate->clipboardMonitor()->isMonitoring());
        }
        const auto again = launch();
        ModelContext &context = again->modelContainer()->mainContext();
        QCOMPARE(context.count<ClipCategory>(), 4);
        QCOMPARE(context.count<PasteTemplate>(), 10);
    }

    void aStoreWithOnlyAUserCategorySeedsTemplatesOnly()
    {
        {
            QString error;
            auto container = ModelContainer::open(m_dataHome.filePath("Quillbox/Quillbox.sqlite"), &error);
            QVERIFY(container);
            container->mainContext().insert(ClipCategory::create("Work", "#112233", "folder", 0, false));
            container->mainContext().save();
        }
        const auto delegate = launch();
        ModelContext &context = delegate->modelContainer()->mainContext();
        QCOMPARE(context.count<ClipCategory>(), 1);
        QCOMPARE(context.count<PasteTemplate>(), 10);
    }

    void resetInsertsASecondDefaultSet()
    {
        const auto delegate = launch();
        ModelContext &context = delegate->modelContainer()->mainContext();
        ClipCategory::insertDefaults(context);
        QCOMPARE(context.count<ClipCategory>(), 10);
    }

    void theLanguageFixFollowsItsPreference_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("registered");
        QTest::newRow("absent") << QByteArray() << true;
        QTest::newRow("false") << QByteArray("false") << false;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("not a boolean") << QByteArray("sometimes") << true;
    }

    void theLanguageFixFollowsItsPreference()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, registered);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        if (!stored.isNull())
            writePreferences("[General]\nenableLanguageFix=" + stored + "\n");

        FakeHotkeyGrabber grabber;
        NoKeys keys;
        const XkbKeyboardLayouts layouts{{"us", "ru"}};
        RecordingSystemLog log;
        AppDelegate delegate(m_pasteboard, m_workspace, PlatformServices{&grabber, &keys, &layouts, &log, nullptr});
        delegate.applicationDidFinishLaunching();
        QVERIFY(delegate.languageSwitchService());
        QCOMPARE(grabber.grabs.contains(LanguageSwitchService::hotkeyId), registered);
        delegate.applicationWillTerminate();
        QVERIFY(grabber.grabs.empty());
    }

    void theLanguageFixRunsWithoutAGrabberForTheCommandLine()
    {
        NoKeys keys;
        const XkbKeyboardLayouts layouts{{"us", "ru"}};
        RecordingSystemLog log;
        AppDelegate delegate(m_pasteboard, m_workspace, PlatformServices{nullptr, &keys, &layouts, &log, nullptr});
        delegate.applicationDidFinishLaunching();
        QVERIFY(delegate.languageSwitchService());
        delegate.applicationWillTerminate();
    }

    void aStartLeavesThePreferencesFileAsItIs_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: a folder stands where the file should be
        QTest::addColumn<QString>("problem");
        QTest::newRow("written by an earlier start")
            << QByteArray("[General]\nAppleKeyboardUIMode=2\nhasSeenOnboarding=true\nneverRecordApplications=\n")
            << QString();
        QTest::newRow("folder") << QByteArray() << "it is a folder, not a file";
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18)
                                << "it is not a preferences file (INI text)";
    }

    void aStartLeavesThePreferencesFileAsItIs()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, problem);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString path = Preferences::defaultPath();
        if (contents.isNull())
            QVERIFY(QDir().mkpath(path));
        else
            writePreferences(contents);
        const QDateTime modified = QFileInfo(path).lastModified();

        RecordingSystemLog log;
        AppDelegate delegate(m_pasteboard, m_workspace, PlatformServices{.systemLog = &log});
        delegate.applicationDidFinishLaunching();
        delegate.applicationWillTerminate();
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        if (contents.isNull()) {
            QVERIFY(QDir(path).isEmpty());
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), contents);
        }
        const QStringList reports = log.entries.filter("Preferences|");
        if (problem.isEmpty()) {
            QVERIFY(reports.isEmpty());
        } else {
            QCOMPARE(reports,
                QStringList("Preferences|[Quillbox] Preferences in " + path + " cannot be used: " + problem
                    + ". Running with the defaults; changes are not saved and the file is left as it is."));
        }
    }

    void thePanelHotkeyComesFromThePreferences_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<quint32>("keycode"); // X keycode
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("Control+Alt+K") << QByteArray(R"({"keyCode":40,"modifiers":6144})") << 37u + 8u << 6144u << "";
        QTest::newRow("bare A") << QByteArray(R"({"keyCode":0,"modifiers":0})") << 47u + 8u << 768u
                                << R"([HotkeyService] Refused stored hotkey {"keyCode":0,"modifiers":0} (a global )"
                                   "hotkey needs Super, Alt or Control and a known key); using ⌘ ⇧ V";
    }

    void thePanelHotkeyComesFromThePreferences()
    {
        QFETCH(QByteArray, stored);
        QFETCH(quint32, keycode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, refusal);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        Preferences(Preferences::defaultPath()).setHotkeyCombo(stored);

        FakeHotkeyGrabber grabber;
        StdoutCapture out;
        AppDelegate delegate(m_pasteboard, m_workspace, PlatformServices{&grabber});
        delegate.applicationDidFinishLaunching();
        QCOMPARE(out.finish().filter(QStringLiteral("[HotkeyService] Refused")),
            refusal.isEmpty() ? QStringList() : QStringList(refusal));
        QCOMPARE(grabber.grabs.at(1).keycode, keycode);
        QCOMPARE(grabber.grabs.at(1).modifiers, modifiers);

        // A combination saved elsewhere takes effect when a reload is asked for, without a restart.
        Preferences(Preferences::defaultPath()).setHotkeyCombo(R"({"keyCode":40,"modifiers":768})");
        emit delegate.actions().hotkeyReloadRequested();
        QCoreApplication::processEvents();
        QCOMPARE(grabber.grabs.at(1).keycode, 37u + 8u);
        QCOMPARE(grabber.grabs.at(1).modifiers, 768u);
        delegate.applicationWillTerminate();
        QVERIFY(grabber.grabs.empty());
    }

    void theRoadOfOnePaste()
    {
        PasteRoad road(m_pasteboard, m_workspace);

        const auto item = ClipboardItem::create(QString(30, u'a') + QString(30, u'é'), ClipboardItemType::text);
        m_workspace.frontmost = editor;
        road.delegate.panelPresenter()->show(); // remembers the application in front
        m_workspace.frontmost = RunningApplication{QStringLiteral("Quillbox"), QStringLiteral("quillbox"), 7, 0x600001};
        road.delegate.pasteRoad()->handleItemSelected(item);
        QCOMPARE(m_pasteboard.string(), item->content());
        QCOMPARE(m_workspace.frontmost->windowId, editor.windowId); // re-activated at once
        road.clock.advance(149);
        QVERIFY(road.keys.chords.isEmpty()); // the keystroke waits for the activation
        road.clock.advance(1);
        QCOMPARE(road.keys.chords.size(), 1);
        QCOMPARE(road.keys.chords.first(), (QPair<int, std::uint32_t>(9, KeyCombo::controlKey)));
        const QStringList messages = road.debugLog();
        QCOMPARE(messages.mid(0, 5),
            QStringList({"handleItemSelected: text, 60 characters, id " + idText(item), "Copied to pasteboard",
                "Previous app: Text Editor, pid: 42", "Target active: true, frontmost: Text Editor",
                "simulatePaste called"}));

        // Nothing was in front: the item stays on the clipboard and no key is sent.
        const auto logSize = [&road] { return road.debugLog().size(); };
        qsizetype mark = logSize();
        m_workspace.frontmost.reset();
        road.delegate.panelPresenter()->show();
        const auto second = ClipboardItem::create("second", ClipboardItemType::text);
        road.delegate.pasteRoad()->handleItemSelected(second);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("second"));
        road.clock.advance(1000);
        QCOMPARE(road.keys.chords.size(), 1);
        QCOMPARE(road.debugLog().mid(mark),
            QStringList({"handleItemSelected: text, 6 characters, id " + idText(second), "Copied to pasteboard",
                "Previous app: nil, pid: -1", "No previous app to paste into"}));

        // A multiple selection that is not all files leaves the clipboard as it was.
        mark = logSize();
        const auto file = ClipboardItem::create("file:///tmp/report.pdf", ClipboardItemType::file);
        road.delegate.pasteRoad()->handleMultipleFilesSelected({file, second});
        QCOMPARE(m_pasteboard.string(), QStringLiteral("second"));
        QCOMPARE(road.debugLog().mid(mark),
            QStringList(
                {"handleMultipleFilesSelected: 2 items", "copyFilesToPasteboard failed — items not all files/images"}));
    }

    void terminalsGetTheirOwnPasteChord()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        // Unquoted, as people write it: the INI format splits the value at its commas.
        writePreferences("[General]\nterminalPasteChords=MyTerm:ctrl+alt+v, OtherTerm:shift+insert\n");
        PasteRoad road(m_pasteboard, m_workspace);

        const struct {
            const char *windowClass;
            QPair<int, std::uint32_t> chord;
            bool onPrimary;
        } cases[] = {
            {"XTerm", {0x72, KeyCombo::shiftKey}, true},
            {"Gnome-terminal", {9, KeyCombo::controlKey | KeyCombo::shiftKey}, false},
            {"MyTerm", {9, KeyCombo::controlKey | KeyCombo::optionKey}, false},
            {"OtherTerm", {0x72, KeyCombo::shiftKey}, true},
            {"org.gnome.TextEditor", {9, KeyCombo::controlKey}, false},
        };
        for (const auto &c : cases) {
            m_pasteboard.clearPrimary();
            road.keys.chords.clear();
            RunningApplication target = editor;
            target.windowClass = QString::fromLatin1(c.windowClass);
            m_workspace.frontmost = target;
            road.delegate.panelPresenter()->show();
            road.delegate.pasteRoad()->handleItemSelected(ClipboardItem::create("ls -l", ClipboardItemType::text));
            road.clock.advance(150);
            QCOMPARE(road.keys.chords.size(), 1);
            QCOMPARE(road.keys.chords.first(), c.chord);
            QCOMPARE(
                m_pasteboard.primary().value(QStringLiteral("text/plain")), QByteArray(c.onPrimary ? "ls -l" : ""));
            QCOMPARE(m_pasteboard.string(), QStringLiteral("ls -l"));
        }
    }

    void anItemThatCannotBeWrittenStopsTheRoad()
    {
        PasteRoad road(m_pasteboard, m_workspace);
        m_pasteboard.copyText("kept");
        m_workspace.frontmost = editor;
        road.delegate.panelPresenter()->show();
        const RunningApplication quillbox{QStringLiteral("Quillbox"), QStringLiteral("quillbox"), 7, 0x600001};
        m_workspace.frontmost = quillbox;

        const auto link = ClipboardItem::create("https://example.com/a b", ClipboardItemType::url);
        QList<std::shared_ptr<ClipboardItem>> failed;
        connect(road.delegate.pasteRoad(), &::PasteRoad::copyFailed, this,
            [&failed](const std::shared_ptr<ClipboardItem> &item) { failed.append(item); });
        road.delegate.pasteRoad()->handleItemSelected(link);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("kept"));
        QCOMPARE(m_workspace.frontmost->windowId, quillbox.windowId); // nothing re-activated
        QCOMPARE(road.debugLog(),
            QStringList({"handleItemSelected: url, 23 characters, id " + idText(link),
                "copyToPasteboard failed — Can't copy this link: it is not a valid address"}));
        QVERIFY(road.keys.chords.isEmpty());
    }

    void anImageIsReadOffTheGuiThreadBeforeTheRoadGoesOn()
    {
        PasteRoad road(m_pasteboard, m_workspace);
        m_pasteboard.copyText("kept");
        ModelContext &context = road.delegate.modelContainer()->mainContext();
        const QByteArray png = solidPng(64, 48);
        const auto image = ClipboardItem::create("Image", ClipboardItemType::image, png);
        const auto damaged = ClipboardItem::create("Image", ClipboardItemType::image, QByteArray("not an image"));
        context.insert(image);
        context.insert(damaged);
        context.save();
        QVERIFY(context.waitForSaves()); // the bytes now come from the file
        m_workspace.frontmost = editor;
        road.delegate.panelPresenter()->show();
        const RunningApplication quillbox{QStringLiteral("Quillbox"), QStringLiteral("quillbox"), 7, 0x600001};
        m_workspace.frontmost = quillbox;
        QByteArray onClipboardAtChord;
        road.keys.onChord = [this, &onClipboardAtChord](int, std::uint32_t) {
            onClipboardAtChord = m_pasteboard.content().value(QStringLiteral("image/png"));
        };

        // Bytes that do not decode: the panel stays with the notice, the clipboard as it was.
        QList<std::shared_ptr<ClipboardItem>> failed;
        connect(road.delegate.pasteRoad(), &::PasteRoad::copyFailed, this,
            [&failed](const std::shared_ptr<ClipboardItem> &item) { failed.append(item); });
        road.delegate.pasteRoad()->handleItemSelected(damaged);
        QVERIFY(failed.isEmpty()); // not known before the bytes are read
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first(), damaged);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("kept"));
        QCOMPARE(m_workspace.frontmost->windowId, quillbox.windowId);
        QCOMPARE(road.debugLog(),
            QStringList({"handleItemSelected: image, 5 characters, id " + idText(damaged),
                "copyToPasteboard failed — Can't copy this image: its data is missing or damaged"}));

        // Copy, hide, activate, 150 ms, chord: each step only once the image is on the clipboard.
        road.delegate.pasteRoad()->handleItemSelected(image);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("kept"));
        QCOMPARE(m_workspace.frontmost->windowId, quillbox.windowId);
        QTRY_COMPARE(m_pasteboard.content().value(QStringLiteral("image/png")), png);
        QCOMPARE(m_workspace.frontmost->windowId, editor.windowId);
        road.clock.advance(150);
        QCOMPARE(road.keys.chords.size(), 1);
        QCOMPARE(onClipboardAtChord, png);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(road.debugLog().mid(2, 5),
            QStringList({"handleItemSelected: image, 5 characters, id " + idText(image), "Copied to pasteboard",
                "Previous app: Text Editor, pid: 42", "Target active: true, frontmost: Text Editor",
                "simulatePaste called"}));
    }

    void aPasteChosenDuringAnotherFollowsIt()
    {
        PasteRoad road(m_pasteboard, m_workspace);
        road.keys.deferred = true; // each chord goes out when the test says, as wtype's would
        QStringList pasted;
        road.keys.onChord = [this, &pasted](int, std::uint32_t) { pasted.append(*m_pasteboard.string()); };
        m_workspace.frontmost = editor;
        road.delegate.panelPresenter()->show();

        const auto first = ClipboardItem::create("first", ClipboardItemType::text);
        const auto second = ClipboardItem::create("second", ClipboardItemType::text);
        road.delegate.pasteRoad()->handleItemSelected(first);
        road.clock.advance(150);
        QCOMPARE(pasted, QStringList{"first"});
        road.delegate.panelPresenter()->show();
        road.delegate.pasteRoad()->handleItemSelected(second);
        road.delegate.pasteRoad()->handleItemSelected(first);
        // Replacing the clipboard now could make the first chord paste the second item.
        QCOMPARE(m_pasteboard.string(), QStringLiteral("first"));
        road.clock.advance(1000);
        QCOMPARE(pasted, QStringList{"first"});

        road.keys.report();
        QCOMPARE(m_pasteboard.string(), QStringLiteral("second"));
        road.clock.advance(150);
        QCOMPARE(pasted, QStringList({"first", "second"}));
        road.keys.report();
        road.clock.advance(150);
        road.keys.report();
        QCOMPARE(pasted, QStringList({"first", "second", "first"}));
        QCOMPARE(road.debugLog().filter("Paste waits for the one under way").size(), 2);
        QCOMPARE(road.debugLog().filter("SUCCESS").size(), 3);
    }

    void thePanelIsCentredOnTheScreenWithThePointer_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QRect>("frame");
        // 680 × 640 centred in the usable part: below the first screen's top bar, or the whole second;
        // the third, a 1920 × 1080 screen scaled 2×, has room for less, and the panel shrinks to it.
        QTest::newRow("on the second screen") << QPoint(2500, 700) << QRect(3199 - 340, 719 - 320, 680, 640);
        QTest::newRow("on the first screen's bar") << QPoint(100, 10) << QRect(959 - 340, 555 - 320, 680, 640);
        QTest::newRow("on no screen") << QPoint(-50, 2000) << QRect(959 - 340, 555 - 320, 680, 640);
        QTest::newRow("on a small scaled screen") << QPoint(4500, 300) << QRect(4959 - 340, 283 - 240, 680, 480);
    }
    void thePanelIsCentredOnTheScreenWithThePointer()
    {
        QFETCH(QPoint, pointer);
        QFETCH(QRect, frame);
        const QList<FloatingPanel::ScreenArea> screens{{{0, 0, 1920, 1080}, {0, 32, 1920, 1048}},
            {{1920, 0, 2560, 1440}, {1920, 0, 2560, 1440}}, {{4480, 0, 960, 540}, {4480, 28, 960, 512}}};
        QCOMPARE(FloatingPanel::placement(screens, pointer, FloatingPanel::contentSize).value_or(QRect()), frame);
        QVERIFY(!FloatingPanel::placement({}, pointer, FloatingPanel::contentSize));
    }

    void whatCannotBeWrittenAtQuitIsKeptAndComesBack()
    {
        QString line;
        {
            PasteRoad road(m_pasteboard, m_workspace);
            ModelContainer &store = *road.delegate.modelContainer();
            store.mainContext().setSaveRetryDelays(60000, 60000); // only the quit's own second try
            QVERIFY(store.waitForSaves());
            // Another program holds the store for the whole quit.
            QSqlDatabase side = QSqlDatabase::addDatabase("QSQLITE", "side");
            side.setDatabaseName(store.path());
            QVERIFY(side.open());
            QVERIFY(QSqlQuery(side).exec("BEGIN IMMEDIATE"));
            store.mainContext().insert(ClipboardItem::create("copied while locked", ClipboardItemType::text));
            road.delegate.applicationWillTerminate();
            QCOMPARE(road.log.entries.filter("could not be written").size(), 1);
            line = road.log.entries.last();
            QSqlQuery(side).exec("ROLLBACK");
            side.close();
        }
        QSqlDatabase::removeDatabase("side");
        // The cache shares the store's file system, so the runtime folder takes the change.
        const QString folder = m_elsewhere->filePath("runtime/Quillbox/");
        const QString prefix = "Store|[Quillbox] 1 change could not be written to "
            + m_dataHome.filePath("Quillbox/Quillbox.sqlite")
            + " (another program holds the store's lock). It is kept in " + folder;
        QVERIFY2(line.startsWith(prefix), qPrintable(line));
        QVERIFY2(line.endsWith(" and will be added to the history at the next start, unless you log out first: that "
                               "folder is emptied when your last session ends"),
            qPrintable(line));
        const QString file = folder + line.mid(prefix.size()).section(u' ', 0, 0);
        QVERIFY2(QFile::exists(file), qPrintable(file));

        StdoutCapture out;
        const auto again = launch();
        QCOMPARE(out.finish().filter("[Quillbox] Recovered "),
            QStringList("[Quillbox] Recovered 1 change that could not be written before, from " + file));
        const auto items = again->modelContainer()->mainContext().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), QStringLiteral("copied while locked"));
        QVERIFY(!QFile::exists(file));
        again->applicationWillTerminate();
    }

    void clearingRemovesPinnedItemsToo()
    {
        const auto delegate = launch();
        ModelContext &context = delegate->modelContainer()->mainContext();
        for (int i = 0; i < 3; ++i)
            context.insert(ClipboardItem::create(QString::number(i), ClipboardItemType::text, {}, {}, {}, i == 0));
        context.save();
        StdoutCapture out;
        emit delegate->actions().clearAllHistoryRequested();
        QCOMPARE(context.count<ClipboardItem>(), 3); // the request runs from the event loop
        QTRY_COMPARE(context.count<ClipboardItem>(), 0);
        QCOMPARE(out.finish(), QStringList("[Quillbox] Cleared all history (3 items)"));
        delegate->applicationWillTerminate();
    }

    // "Clear history when Quillbox quits": what was copied goes, pinned items stay, also on disk; and a
    // program never recorded leaves nothing, while the next copy is kept.
    void quittingClearsUnpinnedItemsWhenChosenAndNeverRecordedProgramsLeaveNothing()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        writePreferences("[General]\nclearHistoryOnQuit=true\nneverRecordApplications=org.example.Vault\n");
        {
            AppDelegate delegate(m_pasteboard, m_workspace);
            delegate.applicationDidFinishLaunching();
            // The fake pasteboard cannot tell who copied: the application in front stands for it.
            m_pasteboard.setFrontmostApplication({"vault"});
            m_pasteboard.copyText("hunter8 from the vault");
            m_pasteboard.setFrontmostApplication({"org.gnome.TextEditor"});
            m_pasteboard.copyText("copied in the editor");
            ModelContext &context = delegate.modelContainer()->mainContext();
            QCOMPARE(context.count<ClipboardItem>(), 1);
            context.insert(ClipboardItem::create("pinned", ClipboardItemType::text, {}, {}, {}, true));
            context.save();
            delegate.applicationWillTerminate();
        }
        AppDelegate again(m_pasteboard, m_workspace);
        again.applicationDidFinishLaunching();
        const auto items = again.modelContainer()->mainContext().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), QStringLiteral("pinned"));
        again.applicationWillTerminate();
    }

    void aCopyPlaysTheCopySoundWhenChosen_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("sounds");
        QTest::newRow("never chosen") << QByteArray() << 0;
        QTest::newRow("chosen") << QByteArray("true") << 1;
    }

    void aCopyPlaysTheCopySoundWhenChosen()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, sounds);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        if (!stored.isNull())
            writePreferences("[General]\nplaySoundOnCopy=" + stored + "\n");
        CountingSound sound;
        PlatformServices services;
        services.soundPlayer = &sound;
        AppDelegate delegate(m_pasteboard, m_workspace, services);
        delegate.applicationDidFinishLaunching();
        m_pasteboard.copyText("copied elsewhere");
        QCOMPARE(sound.copySounds, sounds);
        // A paste of ours is no copy.
        PasteboardWriter::copyToPasteboard(
            *delegate.modelContainer()->mainContext().fetch<ClipboardItem>().first(), m_pasteboard);
        QCoreApplication::processEvents();
        QCOMPARE(sound.copySounds, sounds);
        delegate.applicationWillTerminate();
    }

    void aHistoryFromBeforeTheLimitIsKeptWhole()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        launch()->applicationWillTerminate();
        {
            // 600 items written by a version that knew no limit.
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "earlier");
            db.setDatabaseName(m_dataHome.filePath("Quillbox/Quillbox.sqlite"));
            QVERIFY(db.open());
            db.transaction();
            QSqlQuery query(db);
            query.prepare("INSERT INTO ClipboardItem (id, content, type, isPinned, createdAt, characterCount) "
                          "VALUES (?, ?, 'text', 0, ?, 1)");
            for (int i = 0; i < 600; ++i) {
                query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
                query.addBindValue(QStringLiteral("earlier %1").arg(i));
                query.addBindValue(1.7e9 + i);
                QVERIFY(query.exec());
            }
            QVERIFY(db.commit());
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("earlier");

        const auto delegate = launch();
        m_pasteboard.copyText("one more");
        QCOMPARE(delegate->modelContainer()->mainContext().count<ClipboardItem>(), 601);
        QCOMPARE(Preferences(Preferences::defaultPath()).maxHistoryCount(), 10000);
        delegate->applicationWillTerminate();
    }

    void withoutAStoreTheAppRunsWithoutCaptureAndSaysWhy()
    {
        struct RecordingNotifier : DesktopNotifier {
            QStringList shown;
            void notifyProblem(const QString &summary, const QString &body) override
            {
                shown.append(summary + u'|' + body);
            }
        } notifier;
        // A folder stands where the store's file should be.
        const QString storePath = m_dataHome.filePath("Quillbox/Quillbox.sqlite");
        QVERIFY(QDir().mkpath(storePath));
        StdoutCapture out;
        AppDelegate delegate(m_pasteboard, m_workspace, PlatformServices{.notifier = &notifier});
        delegate.applicationDidFinishLaunching();
        QVERIFY(!delegate.modelContainer());
        QVERIFY(!delegate.clipboardMonitor());
        QCOMPARE(out.finish().filter("Failed to create ModelContainer: "),
            QStringList("Failed to create ModelContainer: " + storePath + ": it is a folder, not a file"));
        QCOMPARE(notifier.shown,
            QStringList("Quillbox cannot open its history|" + storePath
                + "\nIt is a folder, not a file.\nNothing you copy is kept until this is fixed and Quillbox is "
                  "started again. The file was left as it is."));
        QVERIFY(delegate.storeProblem());
        QCOMPARE(delegate.storeProblem()->file(), storePath);
        QVERIFY(QFileInfo(storePath).isDir());
        delegate.applicationWillTerminate();
        QDir(storePath).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestAppDelegate)
#include "test_app_delegate.moc"
