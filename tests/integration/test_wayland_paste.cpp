// The panel and the paste road under headless sway: `quillbox --toggle` shows the focused panel
// centred, Return pastes the newest item into the window that was in front, through wtype, with a
// terminal's own chord for foot, and the panel hides when it loses the focus.

#include "QuillboxProcess.h"
#include "SwayTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

// The window of `appId` as sway lays it out: its container type and rectangle.
std::optional<std::pair<QString, QRect>> layoutOf(const QString &appId)
{
    std::function<std::optional<std::pair<QString, QRect>>(const QJsonObject &)> find;
    find = [&](const QJsonObject &node) -> std::optional<std::pair<QString, QRect>> {
        if (node.value("app_id").toString() == appId) {
            const QJsonObject rect = node.value("rect").toObject();
            return std::pair(node.value("type").toString(),
                QRect(rect.value("x").toInt(), rect.value("y").toInt(), rect.value("width").toInt(),
                    rect.value("height").toInt()));
        }
        for (const char *children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &child : node.value(children).toArray()) {
                if (const auto found = find(child.toObject()))
                    return found;
            }
        }
        return std::nullopt;
    };
    return find(QJsonDocument::fromJson(SwayTree::tree()).object());
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
        if (m_quillbox.startSecondInstance({"--toggle"}) != 0 || !SwayTree::waitForFocus("io.quillbox.Quillbox"))
            return false;
        return QProcess::execute("wtype", {"-k", "Return"}) == 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        // The panel shown at launch floats centred over the 1280x800 output, focused; it is put away,
        // as a person would, before anything is copied.
        QVERIFY(SwayTree::waitForFocus("io.quillbox.Quillbox"));
        QCOMPARE(layoutOf("io.quillbox.Quillbox"), std::pair(QString("floating_con"), QRect(300, 80, 680, 640)));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QTest::qWaitFor([] { return !SwayTree::hasWindow("io.quillbox.Quillbox"); }, 5000));
    }

    void returnPastesIntoAWaylandTextField()
    {
        QLineEdit field;
        field.resize(300, 40);
        field.show();
        QVERIFY(SwayTree::waitForFocus("test_wayland_paste"));
        QVERIFY(copy("pasted on Wayland"));
        QVERIFY(pasteNewest());
        const auto log = [&] {
            QFile file(QFileInfo(m_quillbox.preferencesPath()).dir().filePath("../../quillbox_debug.log"));
            return QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        };
        QVERIFY2(QTest::qWaitFor([&] { return field.text() == "pasted on Wayland"; }, 5000),
            qPrintable(log() + SwayTree::focusedAppId()));
        QVERIFY(SwayTree::waitForFocus("test_wayland_paste"));
        QVERIFY2(log().contains("Paste simulated via wtype SUCCESS"), qPrintable(log()));
    }

    void footGetsItsOwnChord()
    {
        const QString typed = m_dir.filePath("typed");
        QProcess foot;
        foot.start("foot", {"sh", "-c", "stty -icanon -echo; cat > '" + typed + "'"});
        QVERIFY(foot.waitForStarted());
        QVERIFY(SwayTree::waitForFocus("foot"));
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

    void thePanelHidesWhenAnotherWindowTakesTheFocus()
    {
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(SwayTree::waitForFocus("io.quillbox.Quillbox"));
        QProcess foot;
        foot.start("foot", {"sleep", "60"});
        QVERIFY(foot.waitForStarted());
        QVERIFY(SwayTree::waitForFocus("foot"));
        QVERIFY(QTest::qWaitFor([] { return !SwayTree::hasWindow("io.quillbox.Quillbox"); }, 5000));
        foot.kill();
        foot.waitForFinished(2000);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestWaylandPaste)
#include "test_wayland_paste.moc"
