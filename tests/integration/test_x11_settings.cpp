// The settings window end to end: opened from the tray menu, a new panel hotkey recorded with
// real key presses, and the history limit applied to the real store.
#include "AccessibleTree.h"
#include "QuillboxProcess.h"
#include "model/Preferences.h"

#include <QClipboard>
#include <QDBusInterface>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

namespace {

const QString settingsTitle = QStringLiteral("Quillbox Settings");
// A start over an existing store seeds nothing; the panel hotkey is registered late in the launch.
const QString restartedLine = QStringLiteral("[HotkeyService] Registered hotkey id=1");

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A click at (x, y) inside the window, as a person's pointer would make it.
void click(const QString &window, int x, int y)
{
    run("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
    QTest::qWait(300);
}

int windowWidth(const QString &window)
{
    return QuillboxProcess::windowSize(window).width();
}

// The settings window's fixed layout: the six tabs side by side, centred at the top.
void clickTab(const QString &window, int tab)
{
    const int tabsWidth = 6 * 84 + 5 * 4;
    click(window, (windowWidth(window) - tabsWidth) / 2 + tab * 88 + 42, 36);
}

// Rows written straight into the file, oldest first; the first `pinned` are pinned.
bool seedHistory(const QString &path, int count, int pinned)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "seed");
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery query(db);
        query.prepare("INSERT INTO ClipboardItem (id, content, type, isPinned, createdAt, characterCount) "
                      "VALUES (?, ?, 'text', ?, ?, 1)");
        const double base = double(QDateTime::currentSecsSinceEpoch() - 86400);
        for (int i = 0; ok && i < count; ++i) {
            query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
            query.addBindValue(QStringLiteral("seeded %1").arg(i));
            query.addBindValue(i < pinned ? 1 : 0);
            query.addBindValue(base + i);
            ok = query.exec();
        }
        ok = ok && db.commit();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("seed");
    return ok;
}

} // namespace

class TestX11Settings : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    QString m_window;

    // Opens the tray icon's menu with a right click, as a person does.
    static bool openTrayMenu()
    {
        // The icon is the program's one small window, docked in the tray; its menu opens on a right click.
        // It docks a moment after the start; Qt's hidden helper windows are small too.
        QString icon;
        const auto findIcon = [&icon] {
            for (const QString &window :
                run("xdotool", {"search", "--onlyvisible", "--class", "quillbox"}).split(u'\n')) {
                const int height = QuillboxProcess::windowSize(window).height();
                if (height > 0 && height <= QuillboxProcess::trayIconMaxHeight)
                    icon = window;
            }
            return !icon.isEmpty();
        };
        if (!QTest::qWaitFor(findIcon, 5000))
            return false;
        // The keys are typed once the menu is up: sent earlier, they reach whatever had the focus.
        const auto shown = [] {
            return run("xdotool", {"search", "--onlyvisible", "--class", "quillbox"}).count(u'\n');
        };
        const qsizetype before = shown();
        // A click in the moment the tray docks the icon is lost, as it would be for a person, who clicks again.
        bool menuShown = false;
        for (int attempt = 0; attempt < 3 && !menuShown; ++attempt) {
            run("xdotool", {"mousemove", "--window", icon, "8", "8", "click", "3"});
            menuShown = QTest::qWaitFor([&] { return shown() > before; }, 1500);
        }
        QTest::qWait(200);
        return menuShown;
    }

    // Opens the window from the tray icon's menu, as a person does.
    bool openSettingsFromTray()
    {
        if (!openTrayMenu())
            return false;
        QProcess::execute("xdotool", {"key", "Down", "Down", "Return"});
        if (!QuillboxProcess::waitForWindow(settingsTitle))
            return false;
        m_window = QuillboxProcess::visibleWindows(settingsTitle).value(0);
        return true;
    }

    bool panelOpensWith(const QString &combo)
    {
        QuillboxProcess::pressHotkey(combo);
        const bool shown = QuillboxProcess::waitForWindow("Quillbox", true, 1500);
        if (shown) {
            QProcess::execute("xdotool", {"key", "Escape"});
            QuillboxProcess::waitForWindow("Quillbox", false);
        }
        return shown;
    }

private slots:
    void theTrayMenuOpensOneSettingsWindow()
    {
        // With the accessibility bus in use, as under a screen reader, which changes nothing else.
        QProcessEnvironment accessible;
        accessible.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        QVERIFY(m_quillbox.start(QStringLiteral("[Quillbox] Seeded 10 default templates"), accessible));
        QVERIFY(openSettingsFromTray());
        QVERIFY(!m_window.isEmpty());
        QVERIFY(run("xprop", {"-id", m_window, "WM_CLASS"}).contains("\"quillbox\", \"Quillbox\""));
        QCOMPARE(QuillboxProcess::windowSize(m_window), QSize(640, 640));
        // Asked again: the same window comes forward.
        QVERIFY(openSettingsFromTray());
        QCOMPARE(QuillboxProcess::visibleWindows(settingsTitle).size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), settingsTitle, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(m_quillbox.output().count("[Quillbox] Showing settings window\n"), 2, 3000);
    }

    // Read as a screen reader reads it: the tabs are a tab list, and every control of every tab has a name.
    void everyControlOfEveryTabIsNamed()
    {
        const QStringList tabs = {"General", "Categories", "Shortcuts", "Storage", "Privacy", "About"};
        for (int tab = 0; tab < tabs.size(); ++tab) {
            clickTab(m_window, tab);
            const AccessibleTree tree = AccessibleTree::of("Quillbox").window(settingsTitle);
            QVERIFY2(!tree.nodes.isEmpty(), qPrintable(tabs[tab]));
            QStringList names;
            for (const auto &node : tree.withRole("page tab"))
                names.append(node.name);
            QCOMPARE(names, tabs);
            const auto selected = tree.withRole("page tab").value(tab);
            QVERIFY2(selected.states.contains("selected"), qPrintable(tabs[tab]));
            QVERIFY2(
                tree.unnamedControls().isEmpty(), qPrintable(tabs[tab] + ": " + tree.unnamedControls().join(", ")));
        }
        clickTab(m_window, 0);
    }

    // The tray's Pause History, its durations and Resume History, told on the bus as they happen;
    // and the bus's own Pause and Resume.
    void theHistoryIsPausedAndResumedFromTheTrayAndTheBus()
    {
        QDBusInterface quillbox("io.quillbox.Quillbox", "/io/quillbox/Quillbox", "io.quillbox.Quillbox");
        QSignalSpy changes(&quillbox, SIGNAL(PausedChanged(bool, qlonglong)));
        QCOMPARE(quillbox.property("Paused").toBool(), false);

        QVERIFY(openTrayMenu());
        // Open Quillbox, Settings..., then the pause, whose menu opens on Right: the third duration.
        QProcess::execute("xdotool", {"key", "Down", "Down", "Down", "Right", "Down", "Down", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 1, 3000);
        QCOMPARE(changes.at(0), QVariantList({true, 0LL}));
        QCOMPARE(quillbox.property("Paused").toBool(), true);
        QCOMPARE(quillbox.property("PausedUntil").toLongLong(), 0);

        QVERIFY(openTrayMenu());
        QProcess::execute("xdotool", {"key", "Down", "Down", "Down", "Return"}); // Resume History
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 2, 3000);
        QCOMPARE(changes.at(1), QVariantList({false, 0LL}));

        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(quillbox.call("Pause", 600u).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 3, 3000);
        const qint64 until = changes.at(2).at(1).toLongLong();
        QVERIFY2(until >= before + 600 && until <= before + 602, qPrintable(QString::number(until - before)));
        QCOMPARE(quillbox.property("PausedUntil").toLongLong(), until);
        QCOMPARE(quillbox.call("Resume").type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(quillbox.property("Paused").toBool(), false, 3000);
    }

    void aRecordedHotkeyReplacesTheOldOneAndSurvivesARestart()
    {
        clickTab(m_window, 2);
        const int recordX = windowWidth(m_window) - 32 - 55;
        click(m_window, recordX, 138);
        // While recording Quillbox holds no grab: Super+Shift+V reaches the recorder, not the panel.
        QuillboxProcess::pressHotkey("super+shift+v");
        QVERIFY(!QuillboxProcess::waitForWindow("Quillbox", true, 800));
        QCOMPARE(
            Preferences(m_quillbox.preferencesPath()).hotkeyCombo(), QByteArray(R"({"keyCode":9,"modifiers":768})"));

        click(m_window, recordX, 138);
        QuillboxProcess::pressHotkey("super+shift+k");
        QTRY_COMPARE_WITH_TIMEOUT(Preferences(m_quillbox.preferencesPath()).hotkeyCombo(),
            QByteArray(R"({"keyCode":40,"modifiers":768})"), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(m_quillbox.output().contains("Registered hotkey id=1 combo=⌘ ⇧ K"), 3000);

        QVERIFY(panelOpensWith("super+shift+k"));
        QVERIFY(!panelOpensWith("super+shift+v"));

        QCOMPARE(m_quillbox.terminate(), 0);
        QVERIFY(m_quillbox.start(restartedLine));
        QVERIFY(panelOpensWith("super+shift+k"));
        QVERIFY(!panelOpensWith("super+shift+v"));
    }

    void loweringTheLimitKeepsOneHundredUnpinnedPlusThePinned()
    {
        QCOMPARE(m_quillbox.terminate(), 0);
        QVERIFY(seedHistory(m_quillbox.storePath(), 160, 5));
        QVERIFY(m_quillbox.start(restartedLine));
        QVERIFY(openSettingsFromTray());
        clickTab(m_window, 3);
        // "100", the first of the five equal segments at the right of the row.
        click(m_window, windowWidth(m_window) - 32 - (5 * 72 + 4) + 2 + 36, 119);
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem").toInt(), 160); // not before it is confirmed
        QProcess::execute("xdotool", {"key", "Return"});
        QVERIFY(m_quillbox.waitFor(
            "SELECT count(*) FROM ClipboardItem WHERE isPinned = 0", [](const QVariant &v) { return v.toInt() == 100; },
            3000));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE isPinned = 1").toInt(), 5);
        // The oldest unpinned ones went: the five pinned are 0-4, the unpinned 5-159.
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content = 'seeded 59'").toInt(), 0);
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content = 'seeded 60'").toInt(), 1);
        QCOMPARE(m_quillbox.terminate(), 0);
    }

    void anEarlierHistoryIsKeptWhole()
    {
        m_quillbox.terminate(); // one instance per session
        QuillboxProcess earlier;
        QVERIFY(earlier.start());
        QCOMPARE(earlier.terminate(), 0);
        QVERIFY(seedHistory(earlier.storePath(), 2000, 0));
        QVERIFY(earlier.start(restartedLine));
        QGuiApplication::clipboard()->setText("one more copy");
        QVERIFY(earlier.waitFor(
            "SELECT count(*) FROM ClipboardItem", [](const QVariant &v) { return v.toInt() == 2001; }, 3000));
        QCOMPARE(Preferences(earlier.preferencesPath()).maxHistoryCount(), 10000);
        QCOMPARE(earlier.terminate(), 0);
    }

    void aHandWrittenFileIsKeptAndItsOddValuesDeleteNothing()
    {
        m_quillbox.terminate();
        QuillboxProcess person;
        QVERIFY(person.start());
        QCOMPARE(person.terminate(), 0);
        QVERIFY(seedHistory(person.storePath(), 30, 0));
        // As a person edits it following the README, with values no window offers.
        const QByteArray handWritten = "; Quillbox, edited by hand\n[General]\nhasSeenOnboarding=true\n"
                                       "# keep everything\nmaxHistoryCount=-5\nhotkeyCombo=super+v\n"
                                       "terminalPasteChords=\"MyTerm:ctrl+shift+v\"\n";
        QFile file(person.preferencesPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(handWritten);
        file.close();

        QVERIFY(person.start(restartedLine));
        QGuiApplication::clipboard()->setText("one more copy");
        QVERIFY(person.waitFor(
            "SELECT count(*) FROM ClipboardItem", [](const QVariant &v) { return v.toInt() == 31; }, 3000));
        QCOMPARE(person.terminate(), 0);
        const QString errors = QString::fromUtf8(person.process().readAllStandardError());
        QVERIFY2(errors.contains("maxHistoryCount=-5"), qPrintable(errors));
        QVERIFY2(person.output().contains("Refused stored hotkey super+v"), qPrintable(person.output()));
        // Only the password managers given once and the key every start writes were added; comments and
        // odd values stay as written.
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
            handWritten
                + "neverRecordApplications=\"org.keepassxc.KeePassXC;keepass2;org.gnome.seahorse.Application;"
                  "org.kde.kwalletmanager5;qtpass;com.bitwarden.desktop\"\nAppleKeyboardUIMode=2\n");
    }
};

QTEST_MAIN(TestX11Settings)
#include "test_x11_settings.moc"
