#include "platform/DesktopEntryIndex.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopEntryIndex : public QObject {
    Q_OBJECT

private:
    void write(const QString &relativePath, const QByteArray &content)
    {
        const QString path = m_root.filePath(relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static QString nameOf(const std::optional<DesktopEntryIndex::Application> &application)
    {
        return application ? application->id + QLatin1Char('|') + application->name : QStringLiteral("none");
    }

    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        // The user's folder, then two system folders, as XDG_DATA_HOME and XDG_DATA_DIRS give them.
        write(QStringLiteral("home/applications/gimp.desktop"), "[Desktop Entry]\nType=Application\nName=My GIMP\n");
        write(QStringLiteral("home/applications/retired.desktop"),
            "[Desktop Entry]\nType=Application\nName=Retired\nHidden=true\n");
        write(QStringLiteral("sys1/applications/gimp.desktop"),
            "[Desktop Entry]\nType=Application\nName=GNU Image Manipulation Program\nStartupWMClass=Gimp-2.10\n");
        write(QStringLiteral("sys1/applications/retired.desktop"), "[Desktop Entry]\nType=Application\nName=Old\n");
        write(QStringLiteral("sys1/applications/kde4/kate.desktop"),
            "# comment\n[Desktop Entry]\nName = Kate\nName[de]=Kate (de)\n");
        write(QStringLiteral("sys2/applications/org.example.Editor.desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Text Editor\n"
            "Name[de]=Texteditor\n"
            "Name[de_AT]=Texteditor (AT)\n"
            "Name[fr]=\\sÉditeur de texte\n"
            "StartupWMClass=example-editor\n"
            "NoDisplay=true\n"
            "\n"
            "[Desktop Action new-window]\n"
            "Name=New Window\n"
            "StartupWMClass=new-window\n");
        // An id of its own, but it claims the windows of another id's class.
        write(QStringLiteral("sys2/applications/term.desktop"), "[Desktop Entry]\nName=Plain Term\n");
        write(QStringLiteral("sys2/applications/fancy-term.desktop"),
            "[Desktop Entry]\nName=Fancy Term\nStartupWMClass=Term\n");
        write(QStringLiteral("sys2/applications/mpv.desktop"), "[Desktop Entry]\nName=mpv Media Player\n");
        write(QStringLiteral("sys2/applications/notes.txt"), "[Desktop Entry]\nName=Not an entry\n");

        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_DIRS",
            (m_root.filePath(QStringLiteral("sys1")) + QStringLiteral(":relative/share:")
                + m_root.filePath(QStringLiteral("sys2")) + QLatin1Char(':') + m_root.filePath(QStringLiteral("sys1")))
                .toUtf8());
    }

    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void defaultFoldersFollowTheBaseDirectories()
    {
        QCOMPARE(DesktopEntryIndex::defaultApplicationDirs(),
            QStringList({m_root.filePath(QStringLiteral("home/applications")),
                m_root.filePath(QStringLiteral("sys1/applications")),
                m_root.filePath(QStringLiteral("sys2/applications"))}));
    }

    void findsByWindowClass_data()
    {
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QString>("instanceName");
        QTest::addColumn<QString>("expected");

        QTest::newRow("id, any case") << "MPV"
                                      << ""
                                      << "mpv|mpv Media Player";
        QTest::newRow("StartupWMClass") << "Example-Editor"
                                        << "example-editor"
                                        << "org.example.Editor|Text Editor";
        QTest::newRow("StartupWMClass beats another entry's id") << "term"
                                                                 << ""
                                                                 << "fancy-term|Fancy Term";
        QTest::newRow("instance name when the class is unknown") << "Toolkit"
                                                                 << "mpv"
                                                                 << "mpv|mpv Media Player";
        QTest::newRow("sub-folder id") << "kde4-kate"
                                       << ""
                                       << "kde4-kate|Kate";
        QTest::newRow("bare file name of a sub-folder entry") << "kate"
                                                              << ""
                                                              << "none";
        QTest::newRow("user folder hides the system one") << "gimp"
                                                          << ""
                                                          << "gimp|My GIMP";
        QTest::newRow("a shadowed entry's StartupWMClass") << "Gimp-2.10"
                                                           << ""
                                                           << "none";
        QTest::newRow("hidden entry") << "retired"
                                      << ""
                                      << "none";
        QTest::newRow("action group ignored") << "new-window"
                                              << ""
                                              << "none";
        QTest::newRow("not a desktop file") << "notes"
                                            << ""
                                            << "none";
        QTest::newRow("no match") << "xterm"
                                  << "xterm"
                                  << "none";
    }

    void findsByWindowClass()
    {
        QFETCH(QString, windowClass);
        QFETCH(QString, instanceName);
        QFETCH(QString, expected);
        QCOMPARE(nameOf(DesktopEntryIndex().find(windowClass, instanceName)), expected);
    }

    void namesFollowTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("C") << "C"
                           << "Text Editor";
        QTest::newRow("language") << "de_DE"
                                  << "Texteditor";
        QTest::newRow("language and country") << "de_AT"
                                              << "Texteditor (AT)";
        QTest::newRow("escaped value") << "fr_FR"
                                       << " Éditeur de texte";
        QTest::newRow("untranslated") << "it_IT"
                                      << "Text Editor";
    }

    void namesFollowTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        const auto editor = DesktopEntryIndex().find(QStringLiteral("example-editor"));
        QVERIFY(editor);
        QCOMPARE(editor->name, expected);
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntryIndex)
#include "test_desktop_entry_index.moc"
