// What a screen reader learns of the panel through AT-SPI, as Orca would on an X11 desktop with the
// accessibility bus: every part named with its role, each row's kind and place, and a focus event for
// each row the arrow keys move to while typing still goes to the search.
#include "AccessibleTree.h"
#include "ClipboardOwner.h"
#include "QuillboxProcess.h"
#include "TestImages.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>

namespace {

using Node = AccessibleTree::Node;

// Held as a person holds a key.
void press(const QString &key)
{
    QProcess::execute("xdotool", {"keydown", key});
    QTest::qWait(100);
    QProcess::execute("xdotool", {"keyup", key});
    QTest::qWait(250);
}

// Starts the probe listening for what a screen reader is told.
bool listen(QProcess &events)
{
    events.start("/usr/bin/python3", {AccessibleTree::probe(), "events"});
    return QTest::qWaitFor([&] { return events.canReadLine(); }, 20000)
        && events.readLine().trimmed() == QByteArray("listening");
}

// Each event told since `listen`, as its fields: kind, role, name, description.
QList<QStringList> told(QProcess &events)
{
    events.write("quit\n");
    events.waitForFinished(10000);
    QList<QStringList> all;
    for (const QByteArray &line : events.readAllStandardOutput().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() == 4)
            all.append(fields);
    }
    return all;
}

} // namespace

class TestX11Accessibility : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    QTemporaryDir m_files;
    QString m_fileName = QStringLiteral("Quarterly Report.pdf");

private slots:
    void initTestCase()
    {
        QProcessEnvironment accessible;
        accessible.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        QVERIFY(m_quillbox.start(QStringLiteral("[Quillbox] Seeded 10 default templates"), accessible));
        const QString document = m_files.filePath(m_fileName);
        QFile(document).open(QIODevice::WriteOnly);
        auto owner = ClipboardOwner::xclip("first copied text");
        QVERIFY(m_quillbox.waitForNewest("first copied text"));
        owner = ClipboardOwner::xclip(solidPng(64, 48), "image/png");
        QVERIFY(m_quillbox.waitFor(
            "SELECT type FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [](const QVariant &type) { return type.toString() == "image"; }, 5000));
        const QString documentUrl = QUrl::fromLocalFile(document).toString(QUrl::FullyEncoded);
        owner = ClipboardOwner::xclip(documentUrl.toUtf8() + "\r\n", "text/uri-list");
        QVERIFY(m_quillbox.waitForNewest(documentUrl));
        owner = ClipboardOwner::xclip("https://example.com/page");
        QVERIFY(m_quillbox.waitForNewest("https://example.com/page"));
        // Opened as a person opens it; it takes the keyboard.
        QuillboxProcess::pressHotkey("super+shift+v");
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox"));
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("Quillbox"), 5000);
    }

    void everyPartIsNamedWithItsRole()
    {
        const AccessibleTree tree = AccessibleTree::of("Quillbox");
        QVERIFY(!tree.nodes.isEmpty());
        const auto frames = tree.withRole("frame");
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().name, QStringLiteral("Quillbox"));
        QVERIFY(frames.first().states.contains("active"));
        QCOMPARE(tree.withRole("panel").value(0).name, QStringLiteral("Quillbox clipboard history"));

        const auto lists = tree.withRole("list");
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists.first().name, QStringLiteral("Clipboard history"));
        QCOMPARE(lists.first().description, QStringLiteral("4 items"));
        const auto rows = tree.withRole("list item");
        QCOMPARE(rows.size(), 4);
        const QStringList names = {"https://example.com/page", m_fileName, "Image, 64 \u00D7 48", "first copied text"};
        const QStringList kinds = {"Url \u00B7 now", "File \u00B7 now", "Image \u00B7 now", "Text \u00B7 now"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rows[i].name, names[i]);
            QCOMPARE(rows[i].description, kinds[i] + QStringLiteral(" \u00B7 %1 of 4").arg(i + 1));
        }
        QVERIFY(rows[0].states.contains("selected"));

        QCOMPARE(tree.withRole("page tab list").value(0).name, QStringLiteral("Categories"));
        QStringList tabs;
        for (const Node &tab : tree.withRole("page tab"))
            tabs.append(tab.name);
        QCOMPARE(tabs, (QStringList{"Text", "URL", "Image", "File", "Rich Text"}));
        // No control left for a screen reader to call "button".
        QCOMPARE(tree.unnamedControls(), QStringList());
    }

    void theArrowKeysReportEachRowAsFocused()
    {
        QProcess events;
        QVERIFY(listen(events));
        for (int i = 0; i < 3; ++i)
            press("Down");
        QTest::qWait(500);
        QStringList focused;
        for (const QStringList &event : told(events)) {
            if (event[0] == "focus:")
                focused.append(event[1] + ": " + event[2]);
        }
        QCOMPARE(focused,
            (QStringList{"list item: " + m_fileName, QStringLiteral("list item: Image, 64 \u00D7 48"),
                "list item: first copied text"}));
    }

    void typingStillSearchesAndTheFieldIsNamed()
    {
        QProcess::execute("xdotool", {"type", "--delay", "80", "first"});
        AccessibleTree tree;
        QTRY_VERIFY_WITH_TIMEOUT(
            (tree = AccessibleTree::of("Quillbox"), tree.withRole("list item").size() == 1), 10000);
        QCOMPARE(tree.withRole("list item").first().name, QStringLiteral("first copied text"));
        QCOMPARE(tree.withRole("list").value(0).description, QStringLiteral("1 item"));
        const auto fields = tree.withRole("text");
        QCOMPARE(fields.size(), 1);
        QCOMPARE(fields.first().name, QStringLiteral("Search clipboard history"));
        QVERIFY(fields.first().states.contains("focused"));
    }

    // The whole walk as a screen reader follows it: open the panel, type, move down twice, press
    // Return. What Orca would say at each step is printed from the events, and checked.
    void openTypeMoveDownTwiceAndPasteAsOrcaHearsIt()
    {
        press("Escape"); // the search typed above
        press("Escape"); // the panel
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
        QProcess events;
        QVERIFY(listen(events));
        QuillboxProcess::pressHotkey("super+shift+v");
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("Quillbox"), 5000);
        QTest::qWait(500);
        QProcess::execute("xdotool", {"type", "--delay", "120", "t"});
        QTest::qWait(800); // the results settle
        press("Down");
        press("Down");
        press("Return");
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false)); // it pastes and goes
        QTest::qWait(500);
        QStringList spoken;
        for (const QStringList &event : told(events)) {
            const QString &kind = event[0];
            if (kind == "window:activate" || kind == "object:announcement")
                spoken.append(event[2]);
            else if (kind == "focus:")
                spoken.append(QStringList{event[2], event[1], event[3]}.filter(QRegularExpression(".")).join(", "));
        }
        qInfo("what Orca would say:\n  %s", qPrintable(spoken.join("\n  ")));
        // "t" leaves the address, the report and the text: ↓ moves to the second row, then the third.
        const auto at = [&](const QString &start) {
            return std::find_if(spoken.cbegin(), spoken.cend(), [&](const QString &line) {
                return line.startsWith(start);
            }) - spoken.cbegin();
        };
        const qsizetype window = at("Quillbox");
        const qsizetype search = at("Search clipboard history, text");
        const qsizetype second = at(m_fileName + ", list item, File \u00B7 now \u00B7 2 of 3");
        const qsizetype third = at("first copied text, list item, Text \u00B7 now \u00B7 3 of 3");
        QVERIFY(window < search);
        QVERIFY(search < second);
        QVERIFY(second < third);
        QVERIFY(third < spoken.size());
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        // Where Qt makes announcements, the number of results is said once typing rests.
        const qsizetype results = spoken.indexOf(QStringLiteral("3 items"));
        QVERIFY(search < results && results < second);
#endif
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_quillbox.terminate(), 0);
    }
};

QTEST_MAIN(TestX11Accessibility)
#include "test_x11_accessibility.moc"
