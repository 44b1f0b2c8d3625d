#include "platform/DesktopEntryIndex.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopEntryIndex : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    void write(const QString &path, const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_root.filePath(path)).path()));
        QFile file(m_root.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\n" + content);
    }

private slots:
    void initTestCase()
    {
        // The user's folder, then the system ones, as XDG_DATA_HOME and XDG_DATA_DIRS give them.
        write("home/applications/gimp.desktop", "Name=My GIMP\n");
        write("home/applications/retired.desktop", "Name=Retired\nHidden=true\n");
        write("sys1/applications/gimp.desktop", "Name=GNU Image Manipulation Program\nStartupWMClass=Gimp-2.10\n");
        write("sys1/applications/retired.desktop", "Name=Old\n");
        write("sys1/applications/kde4/kate.desktop", "# comment\nName = Kate\n");
        write("sys2/applications/org.example.Editor.desktop",
            "Name=Text Editor\nName[de]=Texteditor\nName[de_AT]=Texteditor (AT)\nName[fr]=\\sÉditeur\n"
            "StartupWMClass=example-editor\n\n[Desktop Action new-window]\nName=New Window\n"
            "StartupWMClass=new-window\n");
        write("sys2/applications/term.desktop", "Name=Plain Term\n");
        write("sys2/applications/fancy-term.desktop", "Name=Fancy Term\nStartupWMClass=Term\n");
        write("sys2/applications/mpv.desktop", "Name=mpv Media Player\n");
        write("sys2/applications/notes.txt", "Name=Not an entry\n");
        qputenv("XDG_DATA_HOME", m_root.filePath("home").toUtf8());
        qputenv("XDG_DATA_DIRS",
            (m_root.filePath("sys1") + ":relative/share:" + m_root.filePath("sys2") + ':' + m_root.filePath("sys1"))
                .toUtf8());
    }

    void foldersFollowTheBaseDirectories()
    {
        QCOMPARE(DesktopEntryIndex::defaultApplicationDirs(),
            QStringList({m_root.filePath("home/applications"), m_root.filePath("sys1/applications"),
                m_root.filePath("sys2/applications")}));
    }

    void find_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QString>("instanceName");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char *name, const char *locale, const char *windowClass, const char *instance,
                  const char *expected) { QTest::newRow(name) << locale << windowClass << instance << expected; };
        row("id, any case", "C", "MPV", "", "mpv|mpv Media Player");
        row("StartupWMClass", "C", "Example-Editor", "", "org.example.Editor|Text Editor");
        row("StartupWMClass beats another entry's id", "C", "term", "", "fancy-term|Fancy Term");
        row("instance name when the class is unknown", "C", "Toolkit", "mpv", "mpv|mpv Media Player");
        row("sub-folder id", "C", "kde4-kate", "", "kde4-kate|Kate");
        row("not by a sub-folder entry's file name", "C", "kate", "", "none");
        row("the user's folder hides the system one", "C", "gimp", "", "gimp|My GIMP");
        row("not by a shadowed entry's StartupWMClass", "C", "Gimp-2.10", "", "none");
        row("Hidden=true removes the id, later folders too", "C", "retired", "", "none");
        row("not by an action's StartupWMClass", "C", "new-window", "", "none");
        row("not a .desktop file", "C", "notes", "", "none");
        row("no match", "C", "xterm", "xterm", "none");
        row("language", "de_DE", "example-editor", "", "org.example.Editor|Texteditor");
        row("language and country", "de_AT", "example-editor", "", "org.example.Editor|Texteditor (AT)");
        row("escaped value", "fr_FR", "example-editor", "", "org.example.Editor| Éditeur");
        row("untranslated", "it_IT", "example-editor", "", "org.example.Editor|Text Editor");
    }

    void find()
    {
        QFETCH(QString, locale);
        QFETCH(QString, windowClass);
        QFETCH(QString, instanceName);
        QLocale::setDefault(QLocale(locale));
        DesktopEntryIndex index;
        QSignalSpy built(&index, &DesktopEntryIndex::rebuilt);
        QVERIFY(built.wait());
        const auto application = index.find(windowClass, instanceName);
        QTEST(application ? application->id + '|' + application->name : QStringLiteral("none"), "expected");
    }

    void theFirstLookupDoesNotWaitForTheScan()
    {
        QTemporaryDir big;
        QVERIFY(QDir().mkpath(big.filePath("applications")));
        for (int i = 0; i < 3000; ++i) {
            QFile file(big.filePath(QStringLiteral("applications/app-%1.desktop").arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Desktop Entry]\nName=App\n");
        }
        DesktopEntryIndex index(QStringList{big.filePath("applications")});
        QSignalSpy built(&index, &DesktopEntryIndex::rebuilt);
        // Answered from what is known, which is nothing before the event loop brings the scan in.
        QVERIFY(!index.find("app-0"));
        QVERIFY(built.wait());
        QVERIFY(index.find("app-2999"));
    }

    void entriesInstalledLaterAreFound()
    {
        QTemporaryDir root;
        const QString user = root.filePath("user/applications");
        const QString system = root.filePath("system/applications"); // made by the first install there
        QVERIFY(QDir().mkpath(user));
        QVERIFY(QDir().mkpath(root.filePath("system")));
        const auto install = [](const QString &path, const QByteArray &content) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Desktop Entry]\n" + content);
        };
        DesktopEntryIndex index({user, system});
        QSignalSpy built(&index, &DesktopEntryIndex::rebuilt);
        QVERIFY(built.wait());
        QVERIFY(!index.find("later"));

        install(user + "/later.desktop", "Name=Later\n");
        QTRY_COMPARE(index.find("later").value_or(DesktopEntryIndex::Application{}).name, QStringLiteral("Later"));
        install(system + "/newer.desktop", "Name=Newer\nStartupWMClass=Newer-App\n");
        QTRY_VERIFY(index.find("newer-app"));
        install(user + "/vendor/tool.desktop", "Name=Tool\n");
        QTRY_VERIFY(index.find("vendor-tool"));
        // The user's entry now hides the system one; then it is removed again.
        install(user + "/newer.desktop", "Name=Mine\n");
        QTRY_COMPARE(index.find("newer").value_or(DesktopEntryIndex::Application{}).name, QStringLiteral("Mine"));
        QVERIFY(QFile::remove(user + "/newer.desktop"));
        QTRY_COMPARE(index.find("newer").value_or(DesktopEntryIndex::Application{}).name, QStringLiteral("Newer"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntryIndex)
#include "test_desktop_entry_index.moc"
