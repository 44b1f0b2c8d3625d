// WaylandPasteboard against real clipboard programs (wl-copy, wl-paste, wl-offer) on each Wayland bed.
// What the whole program stores from these copies is tested end to end in test_wayland_capture.

#include "platform/wayland/WaylandPasteboard.h"

#include "TestImages.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

namespace {

constexpr int arrivalMs = 3000;

QByteArray wlPaste(const QStringList &arguments = {})
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), QStringList{"--no-newline"} + arguments);
    return paste.waitForFinished(5000) && paste.exitCode() == 0 ? paste.readAllStandardOutput() : "<failed>";
}

} // namespace

class TestWaylandPasteboard : public QObject {
    Q_OBJECT

    std::unique_ptr<WaylandPasteboard> m_pasteboard;
    QList<Pasteboard::Change> m_changes;
    // Sources serve until another program takes the clipboard; ending one early would be a change.
    std::vector<std::unique_ptr<QProcess>> m_sources;
    QTemporaryDir m_dir;

    QProcess *start(const QString &program, const QStringList &arguments, const QByteArray &input = {})
    {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        if (!process->waitForStarted())
            return nullptr;
        if (!input.isNull()) {
            process->write(input);
            process->closeWriteChannel();
        }
        m_sources.push_back(std::move(process));
        return m_sources.back().get();
    }

    // wl-copy stays in the foreground, so the test knows its process.
    QProcess *wlCopy(const QByteArray &data, const QStringList &options = {})
    {
        return start(QStringLiteral("wl-copy"), QStringList{"--foreground"} + options, data);
    }

    QProcess *wlOffer(const QStringList &formats, bool stall = false)
    {
        QProcess *offer = start(QStringLiteral(WL_OFFER), stall ? formats + QStringList{"--stall"} : formats);
        if (!offer || !QTest::qWaitFor([offer] { return offer->canReadLine(); }, 5000))
            return nullptr;
        return offer;
    }

    bool waitForCount(qint64 count)
    {
        return QTest::qWaitFor([&] { return m_pasteboard->changeCount() == count; }, arrivalMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(wlCopy("there before the start"));
        QTRY_COMPARE(wlPaste(), QByteArray("there before the start"));
        m_pasteboard = std::make_unique<WaylandPasteboard>();
        QVERIFY(m_pasteboard->isAvailable());
        connect(m_pasteboard.get(), &Pasteboard::changed, this,
            [this](Pasteboard::Change change) { m_changes.append(change); });
        // What was there at the start is known, but no change.
        QTRY_COMPARE(m_pasteboard->string(), std::optional<QString>("there before the start"));
        QCOMPARE(m_pasteboard->changeCount(), 0);
    }

    void init() { m_changes.clear(); }

    void readsEachKindOfCopy()
    {
        qint64 count = m_pasteboard->changeCount();
        QVERIFY(wlCopy("Привет 👋"));
        QVERIFY(waitForCount(++count));
        QCOMPARE(m_pasteboard->string(), std::optional<QString>("Привет 👋"));
        QCOMPARE(m_changes, QList{Pasteboard::Change::foreign});

        QVERIFY(wlCopy("file:///tmp/Quarterly%20Report.pdf\r\n", {"--type", "text/uri-list"}));
        QVERIFY(waitForCount(++count));
        QCOMPARE(m_pasteboard->pasteboardItems().first().string(PasteboardType::fileUrl),
            std::optional<QString>("file:///tmp/Quarterly%20Report.pdf"));

        QVERIFY(wlCopy(solidPng(64, 48, Qt::red), {"--type", "image/png"}));
        QVERIFY(waitForCount(++count));
        const auto png = m_pasteboard->pasteboardItems().first().imagePng();
        QVERIFY(png);
        QCOMPARE(QImage::fromData(*png).size(), QSize(64, 48));
    }

    void aSecretIsNotEvenRead()
    {
        // Whatever the hint says, or nothing at all.
        for (const QString value : {"secret", "1", ""}) {
            const qint64 count = m_pasteboard->changeCount();
            QVERIFY(wlOffer({"text/plain;charset=utf-8", "hunter2", "x-kde-passwordManagerHint", value}));
            QVERIFY(waitForCount(count + 1));
            const PasteboardItem item = m_pasteboard->pasteboardItems().first();
            QVERIFY(item.isConcealed());
            QVERIFY(!item.formats().contains("text/plain;charset=utf-8"));
        }

        const qint64 count = m_pasteboard->changeCount();
        QVERIFY(wlOffer({"text/plain;charset=utf-8", "not a password"}));
        QVERIFY(waitForCount(count + 1));
        QVERIFY(!m_pasteboard->pasteboardItems().first().isConcealed());
        QCOMPARE(m_pasteboard->string(), std::optional<QString>("not a password"));
    }

    // While the history is paused: the change is counted, nothing of it read; reading on again reads
    // it then, as content found, not as another change.
    void aCopyPassedOverIsReadOnlyWhenReadingIsOnAgain()
    {
        m_pasteboard->setReadsForeignCopies(false);
        const qint64 count = m_pasteboard->changeCount();
        QVERIFY(wlOffer({"text/plain;charset=utf-8", "copied while paused"}));
        QVERIFY(waitForCount(count + 1));
        QVERIFY(m_pasteboard->hasUnreadCopy());
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());

        m_pasteboard->setReadsForeignCopies(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->string(), std::optional<QString>("copied while paused"), 3000);
        QVERIFY(!m_pasteboard->hasUnreadCopy());
        QCOMPARE(m_pasteboard->changeCount(), count + 1);
    }

    void aStalledSourceDoesNotHoldUpTheNextCopy()
    {
        const qint64 count = m_pasteboard->changeCount();
        QProcess *stalled = wlOffer({"text/plain;charset=utf-8", "never sent"}, true);
        QVERIFY(stalled);
        QVERIFY(wlCopy("after the stall"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->string(), std::optional<QString>("after the stall"), arrivalMs);
        QVERIFY(m_pasteboard->changeCount() >= count + 1);
        ::kill(pid_t(stalled->processId()), SIGCONT);
    }

    void aSourceThatStopsMidTransferIsGivenUpAtTheDeadline()
    {
        // It stops while its text is on the way, and nothing copies after it: only the read's deadline
        // ends the wait. The text never ended, so nothing of it is kept. (A short text could still be
        // sent in full before the source stops.)
        QFile large(m_dir.filePath(QStringLiteral("large")));
        QVERIFY(large.open(QIODevice::WriteOnly));
        QCOMPARE(large.write(QByteArray(32 << 20, 'x')), qint64(32 << 20));
        large.close();
        const qint64 count = m_pasteboard->changeCount();
        QProcess *stalled = wlOffer({"text/plain;charset=utf-8", "@" + large.fileName()}, true);
        QVERIFY(stalled);
        QVERIFY(waitForCount(count + 1));
        QCOMPARE(m_changes, QList{Pasteboard::Change::foreign});
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
        ::kill(pid_t(stalled->processId()), SIGCONT);
    }

    void ownWritesAreServedAndCountedOnce()
    {
        const qint64 count = m_pasteboard->changeCount();
        m_pasteboard->setString(QStringLiteral("written by us"));
        QCOMPARE(m_pasteboard->changeCount(), count + 1);
        QCOMPARE(m_changes, QList{Pasteboard::Change::own});
        QTRY_COMPARE(wlPaste(), QByteArray("written by us"));
        // Programs ask for text under several names.
        QCOMPARE(wlPaste({"--type", "text/plain;charset=utf-8"}), QByteArray("written by us"));
        QCOMPARE(wlPaste({"--type", "UTF8_STRING"}), QByteArray("written by us"));
        QTest::qWait(200);
        QCOMPARE(m_pasteboard->changeCount(), count + 1);

        // A copy right after our write is counted, and the write's echo does not hide it.
        m_pasteboard->clearContents();
        m_pasteboard->setString(QStringLiteral("ours again"));
        QTRY_COMPARE(wlPaste(), QByteArray("ours again"));
        QVERIFY(wlCopy("theirs right after"));
        QVERIFY(waitForCount(count + 3));
        QTRY_COMPARE(m_pasteboard->string(), std::optional<QString>("theirs right after"));
    }

    void aClipboardWhoseProgramExitsIsAbandoned()
    {
        const qint64 count = m_pasteboard->changeCount();
        QProcess *source = wlOffer({"text/plain;charset=utf-8", "short-lived"});
        QVERIFY(source);
        QVERIFY(waitForCount(count + 1));
        source->terminate();
        QVERIFY(waitForCount(count + 2));
        QCOMPARE(m_changes.last(), Pasteboard::Change::abandoned);
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
    }

    void readsTheSelectedTextOfAnotherProgramOnly()
    {
        QVERIFY(wlCopy("selected text", {"--primary"}));
        QTRY_COMPARE(wlPaste({"--primary"}), QByteArray("selected text"));
        std::optional<std::optional<QString>> answer;
        m_pasteboard->readSelectedText(0, [&](std::optional<QString> text) { answer = text; });
        QTRY_VERIFY(answer);
        QCOMPARE(*answer, std::optional<QString>("selected text"));

        m_pasteboard->setString(QStringLiteral("for xterm"));
        m_pasteboard->copyToPrimarySelection();
        QTRY_COMPARE(wlPaste({"--primary"}), QByteArray("for xterm"));
        answer.reset();
        m_pasteboard->readSelectedText(0, [&](std::optional<QString> text) { answer = text; });
        QTRY_VERIFY(answer);
        QCOMPARE(*answer, std::nullopt);
    }

    void aSelectionIsReadOnlyWhileItsWindowKeepsTheFocus()
    {
        std::uint32_t focused = 7;
        m_pasteboard->setFocusedWindow([&] { return focused; });
        QVERIFY(wlCopy("selected in seven", {"--primary"}));
        QTRY_COMPARE(wlPaste({"--primary"}), QByteArray("selected in seven"));
        const auto read = [&](std::uint32_t window) {
            std::optional<std::optional<QString>> answer;
            m_pasteboard->readSelectedText(window, [&](std::optional<QString> text) { answer = text; });
            return QTest::qWaitFor([&] { return answer.has_value(); }, 3000) ? *answer : std::optional<QString>("none");
        };
        QTRY_COMPARE(read(7), std::optional<QString>("selected in seven"));
        // The person moved on to a window that selected nothing: the old selection is not theirs.
        focused = 8;
        QCOMPARE(read(8), std::nullopt);
        QCOMPARE(read(0), std::nullopt);
        m_pasteboard->setFocusedWindow({});
    }

    void aCopyBeyondTheBoundIsNotKept()
    {
        m_pasteboard->disconnect(this);
        WaylandPasteboard bounded(ClipboardReadLimits{64 * 1024, 16});
        QVERIFY(wlCopy(QByteArray(200 * 1024, 'x')));
        QTRY_COMPARE_WITH_TIMEOUT(bounded.changeCount(), qint64(1), arrivalMs);
        QVERIFY(!bounded.string());
    }

    void cleanupTestCase()
    {
        m_pasteboard.reset();
        for (auto &source : m_sources) {
            ::kill(pid_t(source->processId()), SIGCONT);
            source->kill();
            source->waitForFinished(1000);
        }
    }
};

QTEST_MAIN(TestWaylandPasteboard)
#include "test_wayland_pasteboard.moc"
