// X11Pasteboard against real clipboard owners (xclip, clip-owner) and readers (xclip -o) on Xvfb.

#include "TestImages.h"
#include "capture/X11Pasteboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

using ProcessPtr = std::unique_ptr<QProcess>;

// Deadlines from the user's point of view: a copy shows up in the history well within this.
constexpr int arrivalMs = 1500;

QByteArray utf16le(const QString &text)
{
    return QStringEncoder(QStringEncoder::Utf16LE)(text);
}

// Spins the event loop until `process` ends. Never waitForFinished(): when we own the clipboard, our
// own GUI thread has to serve the request.
bool waitUntilFinished(QProcess &process, int timeoutMs = 10000)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return process.state() == QProcess::NotRunning;
}

// What `xclip -o` reads from the clipboard in `target`; nothing when it fails.
std::optional<QByteArray> xclipRead(const QString &target = {})
{
    QProcess xclip;
    QStringList args = {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")};
    if (!target.isEmpty())
        args << QStringLiteral("-t") << target;
    xclip.start(QStringLiteral("xclip"), args);
    if (!waitUntilFinished(xclip) || xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

std::uint32_t clipboardOwner()
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const char name[] = "CLIPBOARD";
    auto *atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    auto *owner = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const std::uint32_t window = owner ? owner->owner : 0;
    std::free(owner);
    std::free(atom);
    return window;
}

} // namespace

class TestX11Pasteboard : public QObject {
    Q_OBJECT

private:
    // xclip takes the clipboard with `data` in `target`. Owners stay alive until another one takes
    // the clipboard (then they exit by themselves): ending one would be a change of its own.
    QProcess *xclipCopy(const QByteArray &data, const QString &target = QStringLiteral("UTF8_STRING"))
    {
        const QString path = m_dir.filePath(QStringLiteral("copy-%1").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return nullptr;
        file.close();
        auto xclip = std::make_unique<QProcess>();
        xclip->start(QStringLiteral("xclip"),
            {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                target, path});
        if (!xclip->waitForStarted())
            return nullptr;
        m_owners.push_back(std::move(xclip));
        return m_owners.back().get();
    }

    // clip-owner with `args`, once it owns the clipboard.
    QProcess *clipOwner(const QStringList &args)
    {
        auto owner = std::make_unique<QProcess>();
        owner->start(QStringLiteral(CLIP_OWNER), args);
        if (!owner->waitForStarted())
            return nullptr;
        QEventLoop loop;
        connect(owner.get(), &QProcess::readyReadStandardOutput, &loop, [&] {
            if (owner->canReadLine())
                loop.quit();
        });
        connect(owner.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        if (owner->readLine().trimmed() != "ready")
            return nullptr;
        m_owners.push_back(std::move(owner));
        return m_owners.back().get();
    }

    std::optional<QString> pastedString() const { return m_pasteboard->string(); }

    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::vector<ProcessPtr> m_owners;
    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(qGuiApp->nativeInterface<QNativeInterface::QX11Application>());

        // What the clipboard holds when we start is read, but it is no change.
        const auto earlier = xclipCopy("there before us");
        QVERIFY(earlier);
        QTRY_VERIFY(clipboardOwner() != 0);
        m_pasteboard = std::make_unique<X11Pasteboard>();
        QTRY_COMPARE_WITH_TIMEOUT(pastedString(), QStringLiteral("there before us"), arrivalMs);
        QCOMPARE(m_pasteboard->changeCount(), 0);
    }

    void cleanupTestCase()
    {
        m_pasteboard.reset();
        for (const ProcessPtr &owner : m_owners) {
            owner->kill();
            owner->waitForFinished();
        }
    }

    void foreignTextArrives()
    {
        const qint64 before = m_pasteboard->changeCount();
        const QString text = QStringLiteral("Grüße, мир 👋\nsecond line");
        QSignalSpy arrived(m_pasteboard.get(), &X11Pasteboard::foreignContentArrived);
        QElapsedTimer clock;
        clock.start();
        const auto xclip = xclipCopy(text.toUtf8());
        QVERIFY(xclip);
        QVERIFY(arrived.wait(arrivalMs));
        qInfo() << "a copy by xclip arrived" << clock.elapsed() << "ms after xclip started";
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QCOMPARE(pastedString(), text);

        // Invalid UTF-8 is kept, with replacement characters.
        const auto broken = xclipCopy(QByteArray("abc\xff\xfe") + "def");
        QVERIFY(broken);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs);
        QCOMPARE(pastedString(), QStringLiteral("abc\uFFFD\uFFFD") + QStringLiteral("def"));
    }

    void ownWritesCountOnceAndAreServed()
    {
        const qint64 before = m_pasteboard->changeCount();
        // Other programs see one takeover with the finished content, not each step of the write.
        QSignalSpy takeovers(QGuiApplication::clipboard(), &QClipboard::changed);
        m_pasteboard->clearContents();
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
        m_pasteboard->setString(QStringLiteral("written by us ✓"));
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        // The owner-change echoes of both writes must not count.
        QTest::qWait(500);
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QCOMPARE(pastedString(), QStringLiteral("written by us ✓"));
        QCOMPARE(xclipRead(), QByteArray("written by us ✓"));
        QCOMPARE(takeovers.count(), 1);

        // A copy made by another program just before our write, read and published while our GUI
        // thread was busy, must not replace what we wrote once the event loop runs again.
        const std::uint32_t ours = clipboardOwner();
        const auto xclip = xclipCopy("stale by the time it is seen");
        QVERIFY(xclip);
        QElapsedTimer guard;
        guard.start();
        while (clipboardOwner() == ours && guard.elapsed() < 5000)
            QThread::msleep(5);
        QThread::msleep(300); // the reader reads it meanwhile; its snapshot waits in the queue
        m_pasteboard->clearContents();
        m_pasteboard->setString(QStringLiteral("ours, written last"));
        const qint64 afterWrite = m_pasteboard->changeCount();
        QTest::qWait(500);
        QCOMPARE(m_pasteboard->changeCount(), afterWrite);
        QCOMPARE(pastedString(), QStringLiteral("ours, written last"));
        QCOMPARE(xclipRead(), QByteArray("ours, written last"));
    }

    void copiesInOurOwnWindowsCount()
    {
        // A copy made by a text field of ours goes through QClipboard, not through the pasteboard.
        const qint64 before = m_pasteboard->changeCount();
        QGuiApplication::clipboard()->setText(QStringLiteral("copied in our own window"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, arrivalMs);
        QCOMPARE(pastedString(), QStringLiteral("copied in our own window"));
        QTest::qWait(300);
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
    }

    void linksAndFiles_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("urlName");
        QTest::addColumn<QString>("fileUrl");

        QTest::newRow("browser link") << QStringLiteral("text/x-moz-url")
                                      << utf16le(QStringLiteral("https://example.com/page?q=1\nExample — Page"))
                                      << QStringLiteral("https://example.com/page?q=1")
                                      << QStringLiteral("Example — Page") << QString();
        QTest::newRow("file") << QStringLiteral("text/uri-list") << QByteArray("file:///tmp/report%20final.pdf\r\n")
                              << QString() << QString() << QStringLiteral("file:///tmp/report%20final.pdf");
    }

    void linksAndFiles()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, data);
        QFETCH(QString, url);
        QFETCH(QString, urlName);
        QFETCH(QString, fileUrl);

        const qint64 before = m_pasteboard->changeCount();
        const auto xclip = xclipCopy(data, target);
        QVERIFY(xclip);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, arrivalMs);
        const PasteboardItem item = m_pasteboard->pasteboardItems().value(0);
        const auto orEmpty = [&](PasteboardType type) { return item.string(type).value_or(QString()); };
        QCOMPARE(orEmpty(PasteboardType::url), url);
        QCOMPARE(orEmpty(PasteboardType::urlName), urlName);
        QCOMPARE(orEmpty(PasteboardType::fileUrl), fileUrl);
    }

    void imagesArriveAsPng()
    {
        const qint64 before = m_pasteboard->changeCount();
        // Noise makes a realistic, several-megabyte PNG, which the owner has to send incrementally.
        QImage screenshot(1920, 1080, QImage::Format_RGB32);
        auto *random = QRandomGenerator::global();
        for (int y = 0; y < screenshot.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(screenshot.scanLine(y));
            for (int x = 0; x < screenshot.width(); ++x)
                line[x] = x < 960 ? qRgb(x % 256, y % 256, 128) : random->generate() | 0xff000000;
        }
        const QByteArray bytes = encodedImage(screenshot);
        QElapsedTimer clock;
        clock.start();
        const auto xclip = xclipCopy(bytes, QStringLiteral("image/png"));
        QVERIFY(xclip);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, 10000);
        qInfo() << "a" << bytes.size() / 1024 << "KB 1080p PNG arrived, converted, after" << clock.elapsed() << "ms";
        const auto imagePng = m_pasteboard->pasteboardItems().value(0).imagePng();
        QVERIFY(imagePng);
        QCOMPARE(QImage::fromData(*imagePng, "PNG").size(), screenshot.size());

        // Bytes that only claim to be an image: no image, and no harm.
        const auto garbage = xclipCopy(QByteArray(5000, 'x').prepend("\x89PNG\r\n\x1a\n"), QStringLiteral("image/png"));
        QVERIFY(garbage);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs);
        QVERIFY(!m_pasteboard->pasteboardItems().value(0).imagePng());
    }

    void secretsAreConcealedAndNotRead()
    {
        const qint64 before = m_pasteboard->changeCount();
        const auto owner = clipOwner({QStringLiteral("text/plain=hunter2"), QStringLiteral("UTF8_STRING=hunter2"),
            QStringLiteral("x-kde-passwordManagerHint=secret")});
        QVERIFY(owner);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, arrivalMs);
        const PasteboardItem item = m_pasteboard->pasteboardItems().value(0);
        QVERIFY(item.isConcealed());
        QVERIFY(!item.string(PasteboardType::string));
        // Only the hint was ever asked for (TARGETS is not reported).
        owner->terminate();
        QVERIFY(waitUntilFinished(*owner));
        QCOMPARE(owner->readAllStandardOutput(), QByteArray("served x-kde-passwordManagerHint\n"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs); // its exit empties it
    }

    void hungOwnerBlocksNothing()
    {
        // The GUI thread's longest pause, seen by a fast timer, over the whole sequence.
        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        connect(&ticker, &QTimer::timeout, this, [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);

        const qint64 before = m_pasteboard->changeCount();
        const auto hung = clipOwner({QStringLiteral("--stall"), QStringLiteral("text/plain=never served")});
        QVERIFY(hung);
        // A reader started now finds the hung owner at once; ending it must not wait for that owner.
        std::make_unique<X11Pasteboard>().reset();

        QElapsedTimer clock;
        clock.start();
        const auto xclip = xclipCopy("after the hang");
        QVERIFY(xclip);
        QTRY_COMPARE_WITH_TIMEOUT(pastedString(), QStringLiteral("after the hang"), arrivalMs);
        qInfo() << "the copy after a hung owner arrived after" << clock.elapsed() << "ms";
        // The hung owner's read was dropped for the newer copy, not waited out and published empty.
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        ticker.stop();
        qInfo() << "the GUI thread paused at most" << longestPause << "ms";
        QVERIFY2(longestPause <= 50, qPrintable(QStringLiteral("GUI thread blocked %1 ms").arg(longestPause)));
        hung->kill(); // SIGKILL ends a stopped process too; it no longer owns the clipboard
    }

    void largeTextArrivesWhole()
    {
        const qint64 before = m_pasteboard->changeCount();
        QByteArray text;
        text.reserve(50 * 1024 * 1024);
        for (int line = 0; text.size() < 50 * 1024 * 1024; ++line)
            text.append(QByteArray::number(line).rightJustified(10, '0')).append(" lorem ipsum dolor sit amet\n");
        text.truncate(50 * 1024 * 1024);
        QElapsedTimer clock;
        clock.start();
        const auto xclip = xclipCopy(text);
        QVERIFY(xclip);
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 1, 15000);
        qInfo() << "50 MB of text arrived after" << clock.elapsed() << "ms";
        const MimeFormats formats = m_pasteboard->pasteboardItems().value(0).formats();
        QVERIFY2(formats.value(QStringLiteral("UTF8_STRING")) == text, "the text arrived incomplete or altered");
    }

    void ownerExitEmptiesTheClipboard()
    {
        const qint64 before = m_pasteboard->changeCount();
        const auto owner = clipOwner({QStringLiteral("text/plain=short-lived")});
        QVERIFY(owner);
        QTRY_COMPARE_WITH_TIMEOUT(pastedString(), QStringLiteral("short-lived"), arrivalMs);
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        owner->terminate();
        QVERIFY(waitUntilFinished(*owner));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->changeCount(), before + 2, arrivalMs);
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
    }

    void writtenObjectsAreReadableByOthers()
    {
        const QUrl first = QUrl::fromLocalFile(QStringLiteral("/tmp/quarterly report.pdf"));
        const QUrl second = QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"));
        const qint64 before = m_pasteboard->changeCount();
        m_pasteboard->clearContents();
        m_pasteboard->writeObjects({first, second});
        QCOMPARE(m_pasteboard->changeCount(), before + 1);
        QCOMPARE(m_pasteboard->pasteboardItems().value(0).string(PasteboardType::fileUrl).value_or(QString()),
            QStringLiteral("file:///tmp/quarterly%20report.pdf"));
        QCOMPARE(xclipRead(QStringLiteral("text/uri-list")),
            QByteArray("file:///tmp/quarterly%20report.pdf\r\nfile:///tmp/notes.txt\r\n"));
        QCOMPARE(xclipRead(QStringLiteral("x-special/gnome-copied-files")),
            QByteArray("copy\nfile:///tmp/quarterly%20report.pdf\nfile:///tmp/notes.txt"));

        // A web link: the list, plain text and the browsers' format (which Qt derives from the list).
        m_pasteboard->clearContents();
        m_pasteboard->writeObjects({QUrl(QStringLiteral("https://example.com/a?b=c"))});
        QCOMPARE(xclipRead(QStringLiteral("text/uri-list")), QByteArray("https://example.com/a?b=c\r\n"));
        QCOMPARE(xclipRead(QStringLiteral("text/plain")), QByteArray("https://example.com/a?b=c"));
        QCOMPARE(xclipRead(QStringLiteral("text/x-moz-url")), utf16le(QStringLiteral("https://example.com/a?b=c\r\n")));
        QCOMPARE(m_pasteboard->changeCount(), before + 2);
    }
};

QTEST_MAIN(TestX11Pasteboard)
#include "test_x11_pasteboard.moc"
