// The paste road under headless sway: `quillbox --toggle` shows the focused panel, Return pastes the
// newest item into the window that was in front, through wtype, with a terminal's own chord for foot.

#include "QuillboxProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString focusedAppId()
{
    QProcess tree;
    tree.start("swaymsg", {"-t", "get_tree"});
    tree.waitForFinished(3000);
    const QString json = QString::fromUtf8(tree.readAllStandardOutput());
    const qsizetype focused = json.indexOf(QLatin1String("\"focused\": true"));
    const qsizetype start = focused < 0 ? -1 : json.lastIndexOf(QLatin1String("{"), focused);
    const qsizetype end = focused < 0 ? -1 : json.indexOf(QLatin1String("\"app_id\": \""), start);
    return end < 0 ? QString() : json.mid(end + 11).section(u'"', 0, 0);
}

bool hasWindow(const QString &appId)
{
    QProcess tree;
    tree.start("swaymsg", {"-t", "get_tree"});
    tree.waitForFinished(3000);
    return tree.readAllStandardOutput().contains("\"app_id\": \"" + appId.toUtf8() + "\"");
}

bool waitForFocus(const QString &appId)
{
    return QTest::qWaitFor([&] { return focusedAppId() == appId; }, 5000);
}

} // namespace

class TestWaylandPaste : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    QTemporaryDir m_dir;

    // Copies `text` with wl-copy and waits until it is the newest item.
    bool copy(const QString &text)
    {
        QProcess copy;
        copy.start("wl-copy", {text});
        return copy.waitForFinished(3000)
            && m_quillbox.waitFor(
                "SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
                [&](const QVariant &value) { return value.toString() == text; }, 5000);
    }

    // The panel over the window in front, then Return on its first row, as a person types it.
    bool pasteNewest()
    {
        if (m_quillbox.startSecondInstance({"--toggle"}) != 0 || !waitForFocus("io.quillbox.Quillbox"))
            return false;
        return QProcess::execute("wtype", {"-k", "Return"}) == 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        // The panel shown at launch is put away, as a person would, before anything is copied.
        QVERIFY(waitForFocus("io.quillbox.Quillbox"));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QTest::qWaitFor([] { return !hasWindow("io.quillbox.Quillbox"); }, 5000));
    }

    void returnPastesIntoAWaylandTextField()
    {
        QLineEdit field;
        field.resize(300, 40);
        field.show();
        QVERIFY(waitForFocus("test_wayland_paste"));
        QVERIFY(copy("pasted on Wayland"));
        QVERIFY(pasteNewest());
        const auto log = [&] {
            QFile file(QFileInfo(m_quillbox.preferencesPath()).dir().filePath("../../quillbox_debug.log"));
            return QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        };
        QVERIFY2(QTest::qWaitFor([&] { return field.text() == "pasted on Wayland"; }, 5000),
            qPrintable(log() + focusedAppId()));
        QVERIFY(waitForFocus("test_wayland_paste"));
        QVERIFY2(log().contains("Paste simulated via wtype SUCCESS"), qPrintable(log()));
    }

    void footGetsItsOwnChord()
    {
        const QString typed = m_dir.filePath("typed");
        QProcess foot;
        foot.start("foot", {"sh", "-c", "stty -icanon -echo; cat > '" + typed + "'"});
        QVERIFY(foot.waitForStarted());
        QVERIFY(waitForFocus("foot"));
        QVERIFY(copy("pasted into foot"));
        QVERIFY(pasteNewest());
        QTRY_COMPARE_WITH_TIMEOUT(
            [&] {
                QFile file(typed);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }(),
            QByteArray("pasted into foot"), 5000);
        foot.kill();
        foot.waitForFinished(2000);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestWaylandPaste)
#include "test_wayland_paste.moc"
