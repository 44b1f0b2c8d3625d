// The clipboard over ext-data-control-v1, against a compositor of the tests' own that offers nothing
// else (DataControlCompositor), with wl-ext-clip as the other program: a client that speaks the
// protocol through its own bindings, so it shares no fault with Quillbox's reader.

#include "DataControlCompositor.h"
#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandPasteboard.h"

#include <wayland-client.h>

#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int arrivalMs = 3000;

QByteArray withoutSince(const char *signature)
{
    QByteArray text(signature);
    while (!text.isEmpty() && std::isdigit(static_cast<unsigned char>(text.front())))
        text.remove(0, 1);
    return text;
}

// Where the two descriptions part, following the objects their messages name; empty where they agree
// in all but names and versions.
QString difference(const wl_interface &a, const wl_interface &b, QSet<const wl_interface *> &seen)
{
    if (seen.contains(&a))
        return {};
    seen.insert(&a);
    const QString where = QStringLiteral("%1/%2").arg(a.name, b.name);
    if (a.method_count != b.method_count || a.event_count != b.event_count)
        return where + QStringLiteral(": message counts");
    const auto messages = [&](const wl_message *first, const wl_message *second, int count) -> QString {
        for (int i = 0; i < count; ++i) {
            const wl_message &x = first[i];
            const wl_message &y = second[i];
            const QByteArray signature = withoutSince(x.signature);
            if (std::strcmp(x.name, y.name) != 0 || signature != withoutSince(y.signature))
                return where + QStringLiteral(": ") + QString::fromLatin1(x.name);
            // One entry of `types` for every argument, nullable markers aside.
            const qsizetype arguments = signature.size() - signature.count('?');
            for (qsizetype arg = 0; arg < arguments; ++arg) {
                const wl_interface *p = x.types[arg];
                const wl_interface *q = y.types[arg];
                if (!p || !q) {
                    if (p != q)
                        return where + QStringLiteral(": ") + QString::fromLatin1(x.name) + QStringLiteral(" types");
                    continue;
                }
                if (p == q)
                    continue;
                if (const QString inner = difference(*p, *q, seen); !inner.isEmpty())
                    return inner;
            }
        }
        return {};
    };
    if (const QString requests = messages(a.methods, b.methods, a.method_count); !requests.isEmpty())
        return requests;
    return messages(a.events, b.events, a.event_count);
}

void noteGlobal(void *data, wl_registry *, std::uint32_t name, const char *interface, std::uint32_t)
{
    static_cast<QHash<QByteArray, std::uint32_t> *>(data)->insert(interface, name);
}
void forgetGlobal(void *, wl_registry *, std::uint32_t) { }
const wl_registry_listener registryListener = {noteGlobal, forgetGlobal};

} // namespace

class TestExtDataControl : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    std::unique_ptr<DataControlCompositor> m_compositor;
    std::unique_ptr<WaylandPasteboard> m_pasteboard;
    QList<Pasteboard::Change> m_changes;
    // Sources serve until another program takes the clipboard; ending one early would be a change.
    std::vector<std::unique_ptr<QProcess>> m_programs;

    QProcess *copy(const QStringList &formats, const QStringList &options = {})
    {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(WL_EXT_CLIP), QStringList{"copy"} + options + formats);
        if (!QTest::qWaitFor([&] { return process->canReadLine(); }, 5000))
            return nullptr;
        m_programs.push_back(std::move(process));
        return m_programs.back().get();
    }

    static QByteArray paste(const QStringList &arguments = {})
    {
        QProcess paste;
        paste.start(QStringLiteral(WL_EXT_CLIP), QStringList{"paste"} + arguments);
        return paste.waitForFinished(8000) && paste.exitCode() == 0 ? paste.readAllStandardOutput() : "<failed>";
    }

    bool waitForCount(qint64 count)
    {
        return QTest::qWaitFor([&] { return m_pasteboard->changeCount() == count; }, arrivalMs);
    }

    std::optional<QString> selectedText()
    {
        std::optional<std::optional<QString>> answer;
        m_pasteboard->readSelectedText(0, [&](std::optional<QString> text) { answer = text; });
        return QTest::qWaitFor([&] { return answer.has_value(); }, arrivalMs) ? *answer : QStringLiteral("<none>");
    }

private slots:
    void theTwoProtocolsDifferInNamesOnly()
    {
        const DataControlProtocol &ext = DataControlProtocol::ext;
        const DataControlProtocol &wlroots = DataControlProtocol::wlroots;
        QSet<const wl_interface *> seen;
        QCOMPARE(difference(*ext.manager, *wlroots.manager, seen), QString());
        // Each protocol makes its objects with its own interfaces, the ones its manager's requests name.
        for (const DataControlProtocol *protocol : {&ext, &wlroots}) {
            QCOMPARE(protocol->device, protocol->manager->methods[1].types[0]);
            QCOMPARE(protocol->source, protocol->manager->methods[0].types[0]);
        }
        QCOMPARE(QByteArray(ext.managerInterface()), QByteArray("ext_data_control_manager_v1"));
    }

    void eachProtocolMakesItsObjectsWithItsOwnInterfaces()
    {
        const DataControlCompositor both(true);
        wl_display *display = wl_display_connect(both.socket().constData());
        QVERIFY(display);
        QHash<QByteArray, std::uint32_t> globals;
        wl_registry *registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, &globals);
        QVERIFY(wl_display_roundtrip(display) >= 0);
        auto *seat = static_cast<wl_seat *>(wl_registry_bind(registry, globals.value("wl_seat"), &wl_seat_interface, 1));
        for (const DataControlProtocol *protocol : {&DataControlProtocol::ext, &DataControlProtocol::wlroots}) {
            auto *manager = static_cast<zwlr_data_control_manager_v1 *>(
                wl_registry_bind(registry, globals.value(protocol->managerInterface()), protocol->manager, 1));
            auto *device = reinterpret_cast<wl_proxy *>(protocol->getDataDevice(manager, seat));
            auto *source = reinterpret_cast<wl_proxy *>(protocol->createDataSource(manager));
            QCOMPARE(wl_proxy_get_class(device), protocol->manager->methods[1].types[0]->name);
            QCOMPARE(wl_proxy_get_class(source), protocol->manager->methods[0].types[0]->name);
        }
        QVERIFY(wl_display_roundtrip(display) >= 0);
        QCOMPARE(both.devices(), (QStringList{"ext_data_control_device_v1", "zwlr_data_control_device_v1"}));
        // The objects go with the connection.
        wl_display_disconnect(display);
    }

    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        m_compositor = std::make_unique<DataControlCompositor>();
        qputenv("WAYLAND_DISPLAY", m_compositor->socket());

        QVERIFY(copy({"text/plain;charset=utf-8", "there before the start"}));
        QCOMPARE(paste(), QByteArray("there before the start"));
        m_pasteboard = std::make_unique<WaylandPasteboard>();
        QVERIFY(m_pasteboard->isAvailable());
        QCOMPARE(m_pasteboard->dataControlProtocol(), QStringLiteral("ext-data-control-v1"));
        connect(m_pasteboard.get(), &Pasteboard::changed, this,
            [this](Pasteboard::Change change) { m_changes.append(change); });
        // What was there at the start is known, but no change.
        QTRY_COMPARE(m_pasteboard->string(), std::optional<QString>("there before the start"));
        QCOMPARE(m_pasteboard->changeCount(), 0);
    }

    void init() { m_changes.clear(); }

    void anotherProgramsCopyIsCaptured()
    {
        qint64 count = m_pasteboard->changeCount();
        QVERIFY(copy({"text/plain;charset=utf-8", "Привет 👋"}));
        QVERIFY(waitForCount(++count));
        QCOMPARE(m_pasteboard->string(), std::optional<QString>("Привет 👋"));
        QCOMPARE(m_changes, QList{Pasteboard::Change::foreign});

        QVERIFY(copy({"text/uri-list", "file:///tmp/Quarterly%20Report.pdf\r\n", "text/plain", "Quarterly Report"}));
        QVERIFY(waitForCount(++count));
        QCOMPARE(m_pasteboard->pasteboardItems().first().string(PasteboardType::fileUrl),
            std::optional<QString>("file:///tmp/Quarterly%20Report.pdf"));
    }

    void ourWritesReachTheOtherProgram()
    {
        const qint64 before = m_pasteboard->changeCount();
        QProcess *replaced = copy({"text/plain;charset=utf-8", "about to be replaced"});
        QVERIFY(replaced);
        QVERIFY(waitForCount(before + 1));
        const qint64 count = before + 1;
        m_pasteboard->setString(QStringLiteral("written by us"));
        QCOMPARE(m_pasteboard->changeCount(), count + 1);
        // The program whose selection we replaced is told so, and leaves.
        QTRY_COMPARE_WITH_TIMEOUT(replaced->state(), QProcess::NotRunning, arrivalMs);
        QCOMPARE(paste(), QByteArray("written by us"));
        QCOMPARE(paste({"text/plain"}), QByteArray("written by us"));
        QCOMPARE(paste({"UTF8_STRING"}), QByteArray("written by us"));
        QTest::qWait(200);
        QCOMPARE(m_pasteboard->changeCount(), count + 1);
        QCOMPARE(m_changes.count(Pasteboard::Change::foreign), 1);

        m_pasteboard->copyToPrimarySelection();
        QTRY_COMPARE(paste({"--primary"}), QByteArray("written by us"));
        // Our own selection is not read back as selected text.
        QCOMPARE(selectedText(), std::nullopt);
    }

    void theSelectedTextOfAnotherProgramIsRead()
    {
        QVERIFY(copy({"text/plain;charset=utf-8", "selected text"}, {"--primary"}));
        QTRY_COMPARE(selectedText(), std::optional<QString>("selected text"));
    }

    void anAbandonedClipboardIsTakenOver()
    {
        const qint64 count = m_pasteboard->changeCount();
        QProcess *source = copy({"text/plain;charset=utf-8", "short-lived"});
        QVERIFY(source);
        QVERIFY(waitForCount(count + 1));
        source->terminate();
        QVERIFY(waitForCount(count + 2));
        QCOMPARE(m_changes.last(), Pasteboard::Change::abandoned);
        QVERIFY(m_pasteboard->pasteboardItems().isEmpty());
        QCOMPARE(paste(), QByteArray("<failed>"));
        // What the history puts back is served by Quillbox, the program that copied it being gone.
        m_pasteboard->setString(QStringLiteral("short-lived"));
        QTRY_COMPARE(paste(), QByteArray("short-lived"));
    }

    void aStalledSourceDoesNotHoldUpTheNextCopy()
    {
        const qint64 count = m_pasteboard->changeCount();
        QVERIFY(copy({"text/plain;charset=utf-8", "never sent"}, {"--stall"}));
        QVERIFY(copy({"text/plain;charset=utf-8", "after the stall"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_pasteboard->string(), std::optional<QString>("after the stall"), arrivalMs);
        QVERIFY(m_pasteboard->changeCount() >= count + 1);
    }

    void extIsPreferredWhereBothAreOffered()
    {
        const DataControlCompositor both(true);
        WaylandPasteboard pasteboard({}, both.socket());
        QVERIFY(pasteboard.isAvailable());
        QCOMPARE(pasteboard.dataControlProtocol(), QStringLiteral("ext-data-control-v1"));
        QCOMPARE(both.devices(), QStringList{"ext_data_control_device_v1"});
    }

    void cleanupTestCase()
    {
        m_pasteboard.reset();
        for (auto &program : m_programs) {
            program->kill();
            program->waitForFinished(1000);
        }
        m_programs.clear();
        m_compositor.reset();
    }
};

QTEST_GUILESS_MAIN(TestExtDataControl)
#include "test_ext_data_control.moc"
