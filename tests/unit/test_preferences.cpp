#include "TemporaryPreferences.h"
#include "model/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

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
    }

    void aFileThatCannotBeReadIsNeverWritten()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath("Quillbox.conf");
        if (garbage.isEmpty())
            QVERIFY(QDir().mkpath(path));
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
        else
            QCOMPARE(readFile(path), garbage);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
