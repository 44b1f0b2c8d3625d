// X11Pasteboard against real clipboard owners (xclip, clip-owner) and readers (xclip -o) on Xvfb.
// What the whole program stores from plain copies is tested end to end in test_capture.

#include "platform/x11/QtX11Connection.h"
#include "platform/x11/X11Pasteboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int arrivalMs = 1500;

// Never QProcess::waitForFinished(): when we own the clipboard, our own GUI thread serves the reader.
bool waitUntilFinished(QProcess &process)
{
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
}

QByteArray xclipRead(const QString &target = QStringLiteral("UTF8_STRING"))
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
    return waitUntilFinished(xclip) && xclip.exitCode() == 0 ? xclip.readAllStandardOutput() : "<failed>";
}

std::uint32_t selectionOwner(const QByteArray &selection)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    auto *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, selection.size(), selection.constData()), nullptr);
    auto *owner = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const std::uint32_t window = owner ? owner->owner : 0;
    std::free(owner);
    std::free(atom);
    return window;
}

std::uint32_t clipboardOwner()
{
    return selectionOwner("CLIPBOARD");
}

} // namespace

class TestX11Pasteboard : public QObject {
    Q_OBJECT

    std::unique_ptr<X11Pasteboard> m_pasteboard;
    // Owners live until another one takes the clipboard and they exit: ending one would be a change.
    std::vector<std::unique_ptr<QProcess>> m_owners;
    QTemporaryDir m_dir;

    QProcess *start(const QString &program, const QStringList &args)
    {
        m_owners.push_back(std::make_unique<QProcess>());
        m_owners.back()->start(program, args);
        return m_owners.back()->waitForStarted() ? m_owners.back().get() : nullptr;
    }

    QProcess *xclipCopy(const QByteArray &data, const QString &target = QStringLiteral("UTF8_STRING"))
    {
        QFile file(m_dir.filePath(QString::number(m_owners.size())));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return nullptr;
        file.close();
        return start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-t", target, file.fileName()});
    }

    QProcess *clipOwner(const QStringList &args)
    {
        QProcess *owner = start(QStringLiteral(CLIP_OWNER), args);
        const bool ready = owner && QTest::qWaitFor([&] { return owner->canReadLine(); }, 10000);
        return ready && owner->readLine() == "ready\n" ? owner : nullptr;
    }

    std::optional<QString> pasted() const { return m_pasteboard->string(); }

    QProcess *hostileOwner(const QString &mode)
    {
        QProcess *owner = start(QStringLiteral(HOSTILE_OWNER), {mode});
        const bool ready = owner && QTest::qWaitFor([&] { return owner->canReadLine(); }, 10000);
        return ready && owner->readLine() == "ready\n" ? owner : nullptr;
    }

    QList<Pasteboard::Change> m_changes;

private slots:
    void initTestCase()
    {
        QVERIFY(xclipCopy("there before us")); // read, but no change
        QTRY_VERIFY(clipboardOwner() != 0);
        m_pasteboard = std::make_unique<X11Pasteboard>();
        connect(m_pasteboard.get(), &Pasteboard::changed, this,
            [this](Pasteboard::Change change) { m_changes.append(change); });
        QTRY_COMPARE_WITH_TIMEOUT(pasted(), QStringLiteral("there before us"), arrivalMs);
        QCOMPARE(m_pasteboard->changeCount(), 0);
        QVERIFY(m_changes.isEmpty());
    }

    void init() { m_changes.clear(); }

    void cleanupTestCase()
    {
        m_pasteboard.reset();
        for (const auto &owner : m_owners) {
            owner->kill();
            owner->waitForFinished();
        }
    }

    void foreignContentArrivesAsSent()
    {
        const qint64 before = m_pasteboard->changeCount();
        // Invalid UTF-8 is kept, with replacement characters.
        QVERIFY(xclipCopy("Grüße \xff\xfe мир"));
        QTRY_COMPARE_WITH_TIMEOUT(m_changes, QList{Pasteboard::Change::foreign}, arrivalMs);
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QCOMPARE(pasted(), QStringLiteral("Grüße \uFFFD\uFFFD мир"));

        // Bytes that only claim to be an image: a change with nothing in it, and no harm.
        QVERIFY(xclipCopy(QByteArray(5000, 'x').prepend("\x89PNG\r\n\x1a\n"), QStringLiteral("image/png")));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs);
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());

        // 50 MB come in INCR chunks; numbered lines show any chunk lost, repeated or out of order.
        QByteArray text;
        for (int line = 0; text.size() < 50 << 20; ++line)
            text += QByteArray::number(line).rightJustified(10, '0') + " lorem ipsum dolor sit amet\n";
        QVERIFY(xclipCopy(text));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 3, 15000);
        QVERIFY(m_pasteboard->pasteboardItems().value(0).formats().value(QStringLiteral("UTF8_STRING")) == text);
    }

    void ownWritesCountOnceAndAreServed()
    {
        const qint64 before = m_pasteboard->changeCount();
        QSignalSpy takeovers(QGuiApplication::clipboard(), &QClipboard::changed);
        // A clear alone keeps the clipboard ours, empty: giving it up would be a second change.
        m_pasteboard->clearContents();
        QTest::qWait(300);
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        // Other programs see one takeover with the finished content, not each step of the write.
        m_pasteboard->clearContents();
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
        m_pasteboard->setString(QStringLiteral("written by us ✓"));
        QTest::qWait(500); // the owner-change echo must not count again
        QCOMPARE(m_pasteboard->changeCount(), before + 2);
        QCOMPARE(takeovers.count(), 2);
        QCOMPARE(pasted(), QStringLiteral("written by us ✓"));
        QCOMPARE(xclipRead(), QByteArray("written by us ✓"));

        m_pasteboard->clearContents();
        m_pasteboard->writeObjects({QUrl::fromLocalFile("/tmp/quarterly report.pdf"), QUrl::fromLocalFile("/tmp/b")});
        QCOMPARE(xclipRead("text/uri-list"), QByteArray("file:///tmp/quarterly%20report.pdf\r\nfile:///tmp/b\r\n"));
        QCOMPARE(xclipRead("x-special/gnome-copied-files"),
            QByteArray("copy\nfile:///tmp/quarterly%20report.pdf\nfile:///tmp/b"));
        // A web link is also plain text, and Qt derives the browsers' format from the list.
        m_pasteboard->clearContents();
        m_pasteboard->writeObjects({QUrl("https://example.com/a?b=c")});
        QCOMPARE(xclipRead("text/uri-list"), QByteArray("https://example.com/a?b=c\r\n"));
        QCOMPARE(xclipRead("text/plain"), QByteArray("https://example.com/a?b=c"));
        QCOMPARE(
            xclipRead("text/x-moz-url"), QStringEncoder(QStringEncoder::Utf16LE)(u"https://example.com/a?b=c\r\n"));
        QCOMPARE(m_pasteboard->changeCount(), before + 4);

        // A text field of ours copies through QClipboard, not through the pasteboard: it counts too, once.
        QGuiApplication::clipboard()->setText(QStringLiteral("copied in our own window"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 5, arrivalMs);
        QCOMPARE(pasted(), QStringLiteral("copied in our own window"));
        QTest::qWait(300);
        QCOMPARE(m_pasteboard->changeCount(), before + 5);
    }

    void aCopyJustBeforeOurWriteIsStale()
    {
        // Another program copies while our GUI thread is busy, and the reader publishes that copy. Qt has
        // not seen the change either, so the server refuses its first takeover, stamped too early; the
        // write is retried, and the queued copy must not replace what we wrote.
        const std::uint32_t ours = clipboardOwner();
        QVERIFY(xclipCopy("stale by the time it is seen"));
        for (QDeadlineTimer deadline(5000); clipboardOwner() == ours && !deadline.hasExpired();)
            QThread::msleep(5);
        QThread::msleep(300);
        QTest::ignoreMessage(QtWarningMsg, "QXcbClipboard::setMimeData: Cannot set X11 selection owner");
        m_pasteboard->clearContents();
        m_pasteboard->setString(QStringLiteral("ours, written last"));
        const qint64 afterWrite = m_pasteboard->changeCount();
        QTest::qWait(500);
        QCOMPARE(m_pasteboard->changeCount(), afterWrite);
        QCOMPARE(pasted(), QStringLiteral("ours, written last"));
        QCOMPARE(xclipRead(), QByteArray("ours, written last"));
    }

    void aSecretIsNotReadAndTheOwnersExitEmptiesTheClipboard()
    {
        // Whatever the hint says, or nothing at all.
        for (const QString value : {"secret", "1", ""}) {
            const qint64 before = m_pasteboard->changeCount();
            QProcess *owner = clipOwner({"text/plain=hunter2", "x-kde-passwordManagerHint=" + value});
            QVERIFY(owner);
            QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, arrivalMs);
            QVERIFY(m_pasteboard->pasteboardItems().value(0).isConcealed());
            QVERIFY(!pasted());
            owner->terminate();
            QVERIFY(waitUntilFinished(*owner));
            QCOMPARE(owner->readAllStandardOutput(), QByteArray());
            QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs);
            QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
        }
    }

    // While the history is paused: the change is counted, nothing of it asked for; reading on again
    // reads it then, as content found, not as another change.
    void aCopyPassedOverIsReadOnlyWhenReadingIsOnAgain()
    {
        m_pasteboard->setReadsForeignCopies(false);
        const qint64 before = m_pasteboard->changeCount();
        QProcess *owner = clipOwner({"text/plain=copied while paused"});
        QVERIFY(owner);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, arrivalMs);
        QVERIFY(m_pasteboard->hasUnreadCopy());
        QVERIFY(!pasted());
        QTest::qWait(300);
        QCOMPARE(owner->readAllStandardOutput(), QByteArray());

        m_pasteboard->setReadsForeignCopies(true);
        QTRY_COMPARE_WITH_TIMEOUT(pasted(), std::optional<QString>("copied while paused"), arrivalMs);
        QVERIFY(!m_pasteboard->hasUnreadCopy());
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QVERIFY(owner->readAllStandardOutput().contains("served"));
    }

    void hostileOwnersAreReadSafely()
    {
        // An owner whose transfer never ends: past the bound (small here) it is read no further, and the
        // change is published at once rather than when the read's deadline fires.
        X11Pasteboard bounded({.maxChangeBytes = 4 * 1024 * 1024});
        const qint64 boundedBefore = bounded.changeCount();
        const qint64 before = m_pasteboard->changeCount();
        QVERIFY(hostileOwner("endless-incr"));
        QTRY_COMPARE_WITH_TIMEOUT(bounded.changeCount(), boundedBefore + 1, 5000);
        QVERIFY(!bounded.string());
        // The default bound ends it too.
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, 10000);
        QVERIFY(!pasted());

        // Text that is listed but never handed over: the change comes at the read's deadline, without it.
        QVERIFY(hostileOwner("stalled-text"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, 5000);
        QVERIFY(!pasted());

        // Numbers where text was asked for are dropped, not stored as text.
        QVERIFY(hostileOwner("wrong-type"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 3, 5000);
        QVERIFY(!pasted());
    }

    void anOwnerInventingAtomsCannotGrowTheNameCache()
    {
        static QStringList forgotten;
        forgotten.clear();
        QLoggingCategory::setFilterRules("quillbox.pasteboard.reader.debug=true");
        const QtMessageHandler previous
            = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
                  if (text.contains("atom names: the cache is full"))
                      forgotten.append(text);
              });
        // Room for 500 names: every second change of 300 new atoms starts the cache over.
        X11Pasteboard small({.maxCachedAtomNames = 500});
        QProcess *owner = hostileOwner("fresh-atoms");
        QVERIFY(owner);
        for (int change = 1; change <= 4; ++change) {
            if (change > 1)
                owner->write("next\n");
            QTRY_COMPARE_WITH_TIMEOUT(small.string(), QString("change %1").arg(change), arrivalMs);
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules({});
        // Full before the second change, and the third and fourth; never holding more than the bound.
        QCOMPARE(forgotten.size(), 3);
        for (const QString &line : std::as_const(forgotten))
            QVERIFY2(line.section(' ', 1, 1).toInt() <= 500, qPrintable(line));
    }

    void keepsTheClipboardForProgramsThatExit()
    {
        // The first reader on a display without a clipboard manager becomes it; a second one leaves it be.
        QVERIFY(m_pasteboard->isClipboardManager());
        QVERIFY(!X11Pasteboard().isClipboardManager());

        QProcess *owner = clipOwner({"text/plain=handed over on exit"});
        QVERIFY(owner);
        QTRY_COMPARE_WITH_TIMEOUT(pasted(), QStringLiteral("handed over on exit"), arrivalMs);
        // A Qt program asks the manager to keep its clipboard as it exits (SAVE_TARGETS) and waits for
        // the answer; unanswered, it would warn and hang for seconds.
        owner->terminate();
        QVERIFY(waitUntilFinished(*owner));
        QVERIFY2(!owner->readAllStandardError().contains("clipboard manager"), "the handover was not answered");
        // Its going is reported as the clipboard left to us, for the history to fill.
        QTRY_COMPARE_WITH_TIMEOUT(m_changes.value(1), Pasteboard::Change::abandoned, arrivalMs);
        QCOMPARE(m_changes, (QList{Pasteboard::Change::foreign, Pasteboard::Change::abandoned}));
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
    }

    void answersAHandoverOnceTheReadInProgressIsOver()
    {
        // Asked as another program asks, from a connection of the test's own.
        xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(connection));
        const auto cleanup = qScopeGuard([connection] { xcb_disconnect(connection); });
        const auto atom = [connection](const char *name) {
            XcbReply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
            return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        };
        const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), saveTargets = atom("SAVE_TARGETS"),
                         targets = atom("TARGETS"), property = atom("QUILLBOX_TEST_ANSWER");
        const xcb_window_t window = xcb_generate_id(connection);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const auto ask = [&](xcb_atom_t target, xcb_atom_t into) -> std::optional<xcb_atom_t> {
            xcb_convert_selection(connection, window, manager, target, into, XCB_CURRENT_TIME);
            xcb_flush(connection);
            std::optional<xcb_atom_t> answered;
            const bool arrived = QTest::qWaitFor(
                [&] {
                    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
                        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event.get());
                        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY && notify->target == target)
                            answered = notify->property;
                    }
                    return answered.has_value();
                },
                5000);
            return arrived ? answered : std::nullopt;
        };

        QCOMPARE(ask(targets, property), std::optional(property));
        XcbReply<xcb_get_property_reply_t> offered(xcb_get_property_reply(
            connection, xcb_get_property(connection, 1, window, property, XCB_ATOM_ATOM, 0, 16), nullptr));
        QVERIFY(offered);
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(offered.get()));
        QVERIFY(std::find(atoms, atoms + xcb_get_property_value_length(offered.get()) / 4, saveTargets)
            != atoms + xcb_get_property_value_length(offered.get()) / 4);
        QCOMPARE(ask(atom("UTF8_STRING"), property), std::optional(xcb_atom_t(XCB_ATOM_NONE)));

        // The owner never answers for its text, so its read takes until the deadline; a handover asked
        // meanwhile is answered after it, when the content is kept.
        const qint64 before = m_pasteboard->changeCount();
        QProcess *owner = hostileOwner("stalled-text");
        QVERIFY(owner);
        QVERIFY(QTest::qWaitFor([&] { return owner->canReadLine(); }, 5000));
        QCOMPARE(owner->readLine(), QByteArray("text requested\n"));
        // A client older than ICCCM 2.0 names no property: the target stands in.
        QCOMPARE(ask(saveTargets, XCB_NONE), std::optional(saveTargets));
        QCoreApplication::processEvents();
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
    }

    void readsTheFocusedProgramsSelection()
    {
        QProcess *owner = start(QStringLiteral("xclip"), {"-quiet", "-selection", "primary"});
        QVERIFY(owner);
        owner->write("selected in xclip");
        owner->closeWriteChannel();
        std::uint32_t primaryOwner = 0;
        QTRY_VERIFY((primaryOwner = selectionOwner("PRIMARY")) != 0);
        const auto read = [&](std::uint32_t window) {
            std::optional<std::optional<QString>> answer;
            m_pasteboard->readSelectedText(window, [&](std::optional<QString> text) { answer = text; });
            return QTest::qWaitFor([&] { return answer.has_value(); }, 5000) ? *answer : QStringLiteral("<none>");
        };
        // Any window of the owning program's connection counts; another program's does not.
        QCOMPARE(read(primaryOwner), QStringLiteral("selected in xclip"));
        QCOMPARE(read(primaryOwner + 1), QStringLiteral("selected in xclip"));
        QCOMPARE(read(clipboardOwner()), std::nullopt);
        QCOMPARE(read(0), std::nullopt);
        // Our own selection never counts.
        QGuiApplication::clipboard()->setText(QStringLiteral("ours"), QClipboard::Selection);
        QTRY_VERIFY(selectionOwner("PRIMARY") != primaryOwner);
        QCOMPARE(read(selectionOwner("PRIMARY")), std::nullopt);
    }

    void aHungOwnerBlocksNothing()
    {
        // The GUI thread's longest pause, seen by a fast timer, over the whole sequence.
        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer ticker;
        ticker.callOnTimeout([&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);

        const qint64 before = m_pasteboard->changeCount();
        QProcess *hung = clipOwner({"--stall", "text/plain=never served"});
        QVERIFY(hung);
        // A reader started now meets the hung owner at once; ending it must not wait for that owner.
        std::make_unique<X11Pasteboard>().reset();
        QVERIFY(xclipCopy("after the hang"));
        QTRY_COMPARE_WITH_TIMEOUT(pasted(), QStringLiteral("after the hang"), arrivalMs);
        // The hung owner's read was dropped for the newer copy, not waited out and published empty.
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QVERIFY2(longestPause <= 50, qPrintable(QStringLiteral("GUI thread blocked %1 ms").arg(longestPause)));
        hung->kill(); // SIGKILL ends a stopped process too
    }
};

QTEST_MAIN(TestX11Pasteboard)
#include "test_x11_pasteboard.moc"
