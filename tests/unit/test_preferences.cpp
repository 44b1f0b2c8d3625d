#include "TemporaryPreferences.h"
#include "model/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT

private slots:
    void eachTypeHasOneReadingRule_data()
    {
        QTest::addColumn<Preferences::Key>("key");
        QTest::addColumn<QByteArray>("line"); // as a person or an earlier version left it in the file
        QTest::addColumn<QVariant>("expected");
        using K = Preferences::Key;
        // Booleans: the same rule for an option that is on or off by default.
        for (const K key : {K::playSoundOnNavigate, K::enableLanguageFix, K::launchAtLogin}) {
            const bool fallback = Preferences::definition(key).defaultValue.toBool();
            const QByteArray name = Preferences::definition(key).name.latin1();
            QTest::addRow("%s absent", name.data()) << key << QByteArray() << QVariant(fallback);
            for (const char *off : {"false", "0", "FALSE", " 0 "})
                QTest::addRow("%s=%s", name.data(), off) << key << name + '=' + off << QVariant(false);
            for (const char *on : {"true", "1", "True"})
                QTest::addRow("%s=%s", name.data(), on) << key << name + '=' + on << QVariant(true);
            for (const char *other : {"sometimes", "2", "", "yes"})
                QTest::addRow("%s=%s", name.data(), other) << key << name + '=' + other << QVariant(fallback);
        }
        QTest::newRow("integer") << K::maxHistoryCount << QByteArray("maxHistoryCount=1000") << QVariant(1000);
        QTest::newRow("integer, spaced") << K::maxHistoryCount << QByteArray("maxHistoryCount= 250 ") << QVariant(250);
        QTest::newRow("integer, not one") << K::maxHistoryCount << QByteArray("maxHistoryCount=lots") << QVariant(500);
        QTest::newRow("integer, hex") << K::maxHistoryCount << QByteArray("maxHistoryCount=0x10") << QVariant(500);
        QTest::newRow("integer, absent") << K::keyboardUIMode << QByteArray() << QVariant(2);
        QTest::newRow("text") << K::categorySearchKey << QByteArray("categorySearchKey=slash") << QVariant("slash");
        QTest::newRow("text, absent") << K::borderColorHex << QByteArray() << QVariant("#FF8C00");
        QTest::newRow("text, quoted") << K::terminalPasteChords
                                      << QByteArray(R"(terminalPasteChords="A:ctrl+v;B:shift+insert")")
                                      << QVariant("A:ctrl+v;B:shift+insert");
        // Unquoted, INI splits at commas and ends the value at a semicolon.
        QTest::newRow("text, unquoted commas")
            << K::terminalPasteChords << QByteArray("terminalPasteChords=A:ctrl+v,B:shift+insert")
            << QVariant("A:ctrl+v,B:shift+insert");
        QTest::newRow("bytes") << K::hotkeyCombo << QByteArray(R"(hotkeyCombo=@ByteArray(\0\x1))")
                               << QVariant(QByteArray("\0\x1", 2));
        QTest::newRow("bytes, as text") << K::hotkeyCombo << QByteArray("hotkeyCombo=abc")
                                        << QVariant(QByteArray("abc"));
        QTest::newRow("bytes, absent") << K::hotkeyCombo << QByteArray() << QVariant(QByteArray());
    }

    void eachTypeHasOneReadingRule()
    {
        QFETCH(Preferences::Key, key);
        QFETCH(QByteArray, line);
        QFETCH(QVariant, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("Quillbox.conf");
        writeFile(path, "[General]\n" + line + '\n');
        const Preferences preferences(path);
        QVERIFY(preferences.problem().isEmpty());
        QCOMPARE(preferences.value(key), expected);
        QCOMPARE(preferences.value(key).typeId(), Preferences::definition(key).defaultValue.typeId());
    }

    void theTableListsEveryKeyOnceInItsOrder()
    {
        QSet<QString> names;
        for (std::size_t i = 0; i < Preferences::definitions.size(); ++i) {
            const auto &entry = Preferences::definitions.at(i);
            QCOMPARE(std::size_t(entry.key), i);
            names.insert(entry.name);
        }
        QCOMPARE(names.size(), qsizetype(Preferences::definitions.size()));
    }

    void onlyChangesAreWritten()
    {
        TemporaryPreferences temporary;
        Preferences &preferences = temporary.preferences;
        QSignalSpy changed(&preferences, &Preferences::changed);

        preferences.setKeyboardUIMode(2); // absent, though it reads as 2: written once
        QVERIFY(QFileInfo::exists(temporary.path()));
        QCOMPARE(changed.count(), 0);
        const QByteArray written = readFile(temporary.path());
        const QDateTime modified = QFileInfo(temporary.path()).lastModified();
        {
            // What every later start does.
            Preferences again(temporary.path());
            again.setKeyboardUIMode(2);
        }
        preferences.reload();
        preferences.setKeyboardUIMode(2);
        QCOMPARE(QFileInfo(temporary.path()).lastModified(), modified);
        QCOMPARE(readFile(temporary.path()), written);

        preferences.setPlaySoundOnNavigate(false);
        preferences.setPlaySoundOnNavigate(false);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<Preferences::Key>(), Preferences::Key::playSoundOnNavigate);
        QVERIFY(!Preferences(temporary.path()).playSoundOnNavigate());

        // A value the rule could not read is replaced, even by what it read as.
        writeFile(temporary.path(), "[General]\nenableLanguageFix=sometimes\n");
        preferences.reload();
        preferences.setEnableLanguageFix(true);
        QVERIFY(readFile(temporary.path()).contains("enableLanguageFix=true"));

        // Another program's change is seen after a reload.
        changed.clear();
        writeFile(temporary.path(), readFile(temporary.path()) + "hotkeyCombo=@ByteArray(k)\n");
        preferences.reload();
        QCOMPARE(preferences.hotkeyCombo(), QByteArray("k"));
        QCOMPARE(changed.count(), 1);
    }

    void aChangeRewritesOnlyItsOwnLine()
    {
        TemporaryPreferences temporary;
        // As a person edits it by hand, following the README.
        const QByteArray handWritten = "; Quillbox preferences, edited by hand\n"
                                       "[General]\n"
                                       "# terminals of my own\n"
                                       "terminalPasteChords=\"MyTerm:ctrl+shift+v;OldTerm:shift+insert\"\n"
                                       "maxHistoryCount = 250\n"
                                       "\n"
                                       "[Other]\n"
                                       "; another program's section\n"
                                       "maxHistoryCount=7\n";
        writeFile(temporary.path(), handWritten);
        Preferences preferences(temporary.path());
        QCOMPARE(preferences.maxHistoryCount(), 250);

        // What every start does: a key that was absent is added to its section, nothing else moves.
        preferences.setKeyboardUIMode(2);
        QByteArray expected = handWritten;
        expected.replace("maxHistoryCount = 250\n", "maxHistoryCount = 250\nAppleKeyboardUIMode=2\n");
        QCOMPARE(readFile(temporary.path()), expected);

        // A change replaces its own line only.
        preferences.setMaxHistoryCount(1000);
        preferences.setHotkeyCombo(R"({"keyCode":9,"modifiers":768})");
        expected.replace("maxHistoryCount = 250\n", "maxHistoryCount=1000\n");
        expected.replace("AppleKeyboardUIMode=2\n",
            "AppleKeyboardUIMode=2\nhotkeyCombo=\"@ByteArray({\\\"keyCode\\\":9,\\\"modifiers\\\":768})\"\n");
        QCOMPARE(readFile(temporary.path()), expected);

        // What was written reads back by the same rules, in this process and the next.
        const Preferences reread(temporary.path());
        QCOMPARE(reread.maxHistoryCount(), 1000);
        QCOMPARE(reread.hotkeyCombo(), QByteArray(R"({"keyCode":9,"modifiers":768})"));
        QCOMPARE(reread.terminalPasteChords(), QStringLiteral("MyTerm:ctrl+shift+v;OldTerm:shift+insert"));
        preferences.reload();
        QCOMPARE(preferences.maxHistoryCount(), 1000);
    }

    void aKeyGetsItsSectionWhereTheFileHasNone()
    {
        TemporaryPreferences temporary;
        writeFile(temporary.path(), "[Other]\nx=1\n");
        temporary.preferences.reload();
        temporary.preferences.setHasSeenOnboarding(true);
        QCOMPARE(readFile(temporary.path()), QByteArray("[General]\nhasSeenOnboarding=true\n\n[Other]\nx=1\n"));

        // Repeated lines of one key become one, the first in place.
        writeFile(temporary.path(), "[General]\nhasSeenOnboarding=false\nx=1\nhasSeenOnboarding=false\n");
        temporary.preferences.reload();
        temporary.preferences.setHasSeenOnboarding(true);
        QCOMPARE(readFile(temporary.path()), QByteArray("[General]\nhasSeenOnboarding=true\nx=1\n"));
    }

    void aFileThatCannotBeReadIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("garbage"); // empty: a folder stands where the file should be
        QTest::addColumn<QString>("problem");
        QTest::newRow("folder") << QByteArray() << "it is a folder, not a file";
        QByteArray binary;
        for (int i = 0; i < 512; ++i)
            binary.append(char((i * 131 + 7) % 256));
        QTest::newRow("binary") << binary << "it is not a preferences file (INI text)";
        QTest::newRow("nul bytes") << QByteArray("[General]\nhasSeenOnboarding=true\n") + QByteArray(3, '\0')
                                   << "it is not a preferences file (INI text)";
        // Reading a pipe would wait for a writer that never comes.
        QTest::newRow("named pipe") << QByteArray("fifo") << "it is not a regular file";
    }

    void aFileThatCannotBeReadIsNeverWritten()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath("Quillbox.conf");
        const bool isPipe = garbage == "fifo";
        if (garbage.isEmpty())
            QVERIFY(QDir().mkpath(path));
        else if (isPipe)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            writeFile(path, garbage);

        Preferences preferences(path);
        QCOMPARE(preferences.problem(), problem);
        QVERIFY(!preferences.hasSeenOnboarding());
        // The session keeps its changes; the file stays the person's.
        QSignalSpy changed(&preferences, &Preferences::changed);
        preferences.setHasSeenOnboarding(true);
        preferences.setKeyboardUIMode(2);
        QVERIFY(preferences.hasSeenOnboarding());
        QCOMPARE(changed.count(), 1);
        preferences.reload();
        QVERIFY(preferences.hasSeenOnboarding());
        if (garbage.isEmpty())
            QVERIFY(QDir(path).isEmpty());
        else if (isPipe)
            QVERIFY(!QFileInfo(path).isFile());
        else
            QCOMPARE(readFile(path), garbage);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
