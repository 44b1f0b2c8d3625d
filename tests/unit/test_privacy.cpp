// What is never recorded and for how long things stay: the names a program is known by, the
// password managers given by default, and the retention of unpinned items.
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "capture/CopySourceFilter.h"
#include "model/ClipboardItem.h"
#include "model/HistoryRetention.h"
#include "model/ModelContext.h"
#include "services/NeverRecordedApplications.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestPrivacy : public QObject {
    Q_OBJECT

    static QStringList names(const QString &all) { return all.split(u' ', Qt::SkipEmptyParts); }

private slots:
    void aProgramIsMatchedByAnyOfItsNames_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("source"); // the names the desktop gives the program that copied
        QTest::addColumn<bool>("excluded");
        // The defaults, met as X11 (WM_CLASS, executable) and Wayland (app id) name them.
        QTest::newRow("KeePassXC by class") << "org.keepassxc.KeePassXC"
                                            << "keepassxc KeePassXC" << true;
        QTest::newRow("KeePassXC by app id") << "org.keepassxc.KeePassXC"
                                             << "org.keepassxc.KeePassXC" << true;
        QTest::newRow("KeePass 2 under Mono") << "keepass2"
                                              << "cli KeePass" << true;
        QTest::newRow("Seahorse") << "org.gnome.seahorse.Application"
                                  << "seahorse Seahorse" << true;
        QTest::newRow("KWallet of KDE 6") << "org.kde.kwalletmanager5"
                                          << "org.kde.kwalletmanager" << true;
        QTest::newRow("Bitwarden's Electron class") << "com.bitwarden.desktop"
                                                    << "bitwarden Bitwarden" << true;
        QTest::newRow("case ignored") << "QtPass"
                                      << "qtpass" << true;
        // What must not match: the generic end of an id, a look-alike, an empty source.
        QTest::newRow("generic part") << "org.gnome.seahorse.Application"
                                      << "application" << false;
        QTest::newRow("look-alike") << "org.keepassxc.KeePassXC"
                                    << "keepassxc-proxy-helper" << false;
        QTest::newRow("another program") << "keepass2"
                                         << "xterm XTerm" << false;
        QTest::newRow("nothing known") << "keepass2"
                                       << "" << false;
    }

    void aProgramIsMatchedByAnyOfItsNames()
    {
        QFETCH(QString, listed);
        QFETCH(QString, source);
        QFETCH(bool, excluded);
        CopySourceFilter filter;
        filter.setNames({listed});
        QCOMPARE(filter.excludes(names(source)), excluded);
    }

    void aScriptIsKnownByItsOwnNameNotItsInterpreters()
    {
        QTemporaryDir folder;
        const QString script = folder.filePath(QStringLiteral("keepassxc.py"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("import time\nprint('ready', flush=True)\ntime.sleep(30)\n");
        file.close();
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-u"), script});
        // Running, not only started: the kernel fills in a new program's arguments after it reports
        // the start.
        QVERIFY(python.waitForReadyRead(10000));
        const QStringList found = CopySourceFilter::processNames(python.processId());
        python.kill();
        python.waitForFinished();
        QVERIFY2(found.contains(QStringLiteral("keepassxc")), qPrintable(found.join(u' ')));
        QVERIFY(found.contains(QStringLiteral("python3")) || found.contains(QStringLiteral("python3.11")));

        CopySourceFilter filter;
        filter.setNames({QStringLiteral("org.keepassxc.KeePassXC")});
        QVERIFY(filter.excludes(found));
        // A list naming an interpreter is the person's choice, but a script is not mistaken for one.
        filter.setNames({QStringLiteral("gjs")});
        QVERIFY(!filter.excludes(found));
        QVERIFY(CopySourceFilter::processNames(-1).isEmpty());
    }

    void theDefaultsAreGivenOnceAndAnExistingInstallationSaysSo()
    {
        // A new installation: the defaults, quietly.
        {
            TemporaryPreferences stored;
            CopySourceFilter filter;
            NeverRecordedApplications applications(stored.preferences, filter);
            QCOMPARE(applications.ids().size(), NeverRecordedApplications::defaults.size());
            QVERIFY(filter.excludes({QStringLiteral("keepassxc")}));
        }
        // An existing one (onboarding seen, no list yet): the defaults and a line in the log.
        TemporaryPreferences stored;
        stored.preferences.setHasSeenOnboarding(true);
        CopySourceFilter filter;
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("no longer recorded: KeePassXC, KeePass 2"));
        auto applications = std::make_unique<NeverRecordedApplications>(stored.preferences, filter);
        QVERIFY(applications->ids().contains(QStringLiteral("com.bitwarden.desktop")));

        // The person empties the list: a restart does not give the defaults again.
        for (const QString &id : applications->ids())
            applications->remove(id);
        QVERIFY(filter.isEmpty());
        applications = std::make_unique<NeverRecordedApplications>(stored.preferences, filter);
        QVERIFY(applications->ids().isEmpty());

        // Adding: once, whatever the case; the filter follows at once, also a change written by
        // another process into the file.
        applications->add(QStringLiteral("org.example.Vault"));
        applications->add(QStringLiteral("ORG.EXAMPLE.VAULT"));
        applications->add(QStringLiteral("a;b"));
        QCOMPARE(applications->ids(), QStringList{QStringLiteral("org.example.Vault")});
        QVERIFY(filter.excludes({QStringLiteral("vault")}));
        Preferences other(stored.path());
        other.setNeverRecordApplications({QStringLiteral("gnome-terminal")});
        stored.preferences.reload();
        QVERIFY(!filter.excludes({QStringLiteral("vault")}));
        QVERIFY(filter.excludes({QStringLiteral("Gnome-terminal")}));

        // An installed application's StartupWMClass names it too.
        applications->setAliases([](const QString &id) {
            return id == QStringLiteral("gnome-terminal") ? QStringList{QStringLiteral("Gnome-terminal-server")}
                                                          : QStringList();
        });
        QVERIFY(filter.excludes({QStringLiteral("gnome-terminal-server")}));

        // Written by hand with commas, which an INI file reads unquoted.
        QFile file(stored.path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\nneverRecordApplications=foot, org.example.Vault\n");
        file.close();
        stored.preferences.reload();
        QCOMPARE(applications->ids(), (QStringList{"foot", "org.example.Vault"}));
        QVERIFY(filter.excludes({QStringLiteral("vault")}) && filter.excludes({QStringLiteral("foot")}));
    }

    void unpinnedItemsOlderThanTheChosenPeriodGoHourly()
    {
        ManualClock clock;
        TemporaryStore store(clock);
        store.open();
        TemporaryPreferences stored;
        constexpr qint64 day = 24LL * 60 * 60 * 1000;
        store.add(QStringLiteral("ten days old"));
        store.add(QStringLiteral("pinned, ten days old"), ClipboardItemType::text, true);
        clock.advance(5 * day);
        store.add(QStringLiteral("five days old"));
        clock.advance(5 * day);
        store.add(QStringLiteral("new"));
        const auto contents = [&] {
            QStringList list;
            for (const auto &item : store.context().fetch<ClipboardItem>())
                list.append(item->content());
            list.sort();
            return list;
        };

        HistoryRetention retention(store.context(), stored.preferences);
        retention.start();
        QCOMPARE(contents().size(), 4); // forever by default

        // Written by hand, not a choice: kept forever.
        stored.preferences.setKeepUnpinnedDays(3);
        QCOMPARE(contents().size(), 4);

        stored.preferences.setKeepUnpinnedDays(7);
        QCOMPARE(contents(), (QStringList{"five days old", "new", "pinned, ten days old"}));

        // The hourly look takes the next one once it is old enough, and what was deleted is saved.
        clock.advance(2 * day + HistoryRetention::checkIntervalMs);
        QCOMPARE(contents(), (QStringList{"new", "pinned, ten days old"}));
        QVERIFY(store.context().waitForSaves());
        store.reopen();
        QCOMPARE(store.context().count<ClipboardItem>(), 2);

        QCOMPARE(HistoryRetention::clearUnpinned(store.context()), 1);
        QCOMPARE(contents(), QStringList{"pinned, ten days old"});
    }
};

QTEST_MAIN(TestPrivacy)
#include "test_privacy.moc"
