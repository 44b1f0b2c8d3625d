// PortalGlobalShortcutsGrabber against a desktop portal of the test's own on a private session bus:
// the session and the binding it asks for, a press the portal reports, and a set that changes while
// a request is still under way.

#include "BusServiceThread.h"
#include "platform/PortalGlobalShortcutsGrabber.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

/// A session object: Close is all the grabber calls on it.
class FakeSession : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    QStringList closed;
public slots:
    void Close() { closed << message().path(); }
};

/// The portal's GlobalShortcuts as far as the grabber uses it. Answers come as Response signals on
/// the request's path, a moment after the reply, as from xdg-desktop-portal.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    QDBusConnection bus{QString()};
    int sessions = 0;
    FakeSession session;
    // The last binding: session, then each shortcut as "id=trigger (description)".
    QString boundSession;
    QStringList bound;
    uint answer = 0;
    // Fails the calls themselves, so that no Response ever comes.
    bool failCalls = false;

    uint version() const { return 1; }

    void activate(const QString &session, const QString &shortcut)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/portal/desktop", "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcut << qulonglong(0) << QVariantMap();
        bus.send(signal);
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        if (failCalls) {
            sendErrorReply(QDBusError::AccessDenied, "not now");
            return {};
        }
        const QString session = "/org/freedesktop/portal/desktop/session/" + senderPart() + "/"
            + options.value("session_handle_token").toString();
        ++sessions;
        bus.registerObject(session, &this->session, QDBusConnection::ExportAllSlots);
        return respond(options, {{"session_handle", session}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session,
        const QList<PortalGlobalShortcutsGrabber::Shortcut> &shortcuts, const QString &, const QVariantMap &options)
    {
        boundSession = session.path();
        bound.clear();
        for (const PortalGlobalShortcutsGrabber::Shortcut &shortcut : shortcuts) {
            bound << shortcut.id + "=" + shortcut.properties.value("preferred_trigger").toString() + " ("
                    + shortcut.properties.value("description").toString() + ")";
        }
        return respond(options, {});
    }

private:
    QString senderPart() const { return message().service().mid(1).replace('.', '_'); }

    QDBusObjectPath respond(const QVariantMap &options, const QVariantMap &results)
    {
        const QString request = "/org/freedesktop/portal/desktop/request/" + senderPart() + "/"
            + options.value("handle_token").toString();
        const uint response = answer;
        QTimer::singleShot(20, this, [this, request, response, results] {
            QDBusMessage signal = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
            signal << response << results;
            bus.send(signal);
        });
        return QDBusObjectPath(request);
    }
};

} // namespace

using GrabResult = HotkeyGrabber::GrabResult;

class TestPortalShortcuts : public QObject {
    Q_OBJECT

    BusServiceThread m_thread;
    FakePortal *m_portal = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY(!PortalGlobalShortcutsGrabber::isServiceAvailable());
        // The portal reads the shortcuts as the grabber writes them.
        qDBusRegisterMetaType<PortalGlobalShortcutsGrabber::Shortcut>();
        qDBusRegisterMetaType<QList<PortalGlobalShortcutsGrabber::Shortcut>>();
        QVERIFY(m_thread.run([this] {
            m_portal = new FakePortal;
            m_portal->bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal");
            m_portal->bus.registerObject("/org/freedesktop/portal/desktop", m_portal,
                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
            return m_portal->bus.registerService("org.freedesktop.portal.Desktop");
        }));
        QVERIFY(PortalGlobalShortcutsGrabber::isServiceAvailable());
    }

    void triggersAreNamedAsThePortalReadsThem()
    {
        // X keycodes 55 and 46 are V and L; 9 is Escape, which has no one-character name.
        QCOMPARE(PortalGlobalShortcutsGrabber::trigger(55, 0x100 | 0x200), "SHIFT+LOGO+v");
        QCOMPARE(PortalGlobalShortcutsGrabber::trigger(46, 0x1000 | 0x800), "CTRL+ALT+l");
        QVERIFY(PortalGlobalShortcutsGrabber::trigger(9, 0x100).isEmpty());
    }

    void bindsTheShortcutsAndReportsTheirPresses()
    {
        PortalGlobalShortcutsGrabber grabber;
        QList<quint32> pressed;
        connect(&grabber, &HotkeyGrabber::pressed, this, [&](quint32 id) { pressed.append(id); });
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::ok);
        // The second arrives while the first is being bound: one more session then binds both.
        QCOMPARE(grabber.grab(2, 46, 0x100 | 0x200), GrabResult::ok);
        const QStringList both{
            "hotkey-1=SHIFT+LOGO+v (Show the clipboard history)", "hotkey-2=SHIFT+LOGO+l (Fix the keyboard layout)"};
        QTRY_COMPARE(m_thread.run([this] { return m_portal->bound; }), both);
        const QString session = m_thread.run([this] { return m_portal->boundSession; });
        QVERIFY(!session.isEmpty());

        m_thread.post([this, session] {
            m_portal->activate(session, "hotkey-2");
            m_portal->activate("/org/freedesktop/portal/desktop/session/other/x", "hotkey-1");
        });
        QTRY_COMPARE(pressed, QList<quint32>{2});

        // Removing one binds the rest in a new session and closes the old one.
        grabber.ungrab(2);
        QTRY_COMPARE(m_thread.run([this] { return m_portal->bound; }), QStringList{both.first()});
        QVERIFY(m_thread.run([this] { return m_portal->session.closed; }).contains(session));
        QVERIFY(m_thread.run([this] { return m_portal->boundSession; }) != session);
    }

    void aRefusalIsReportedAndLeavesNothingBound()
    {
        const int sessions = m_thread.run([this] {
            m_portal->answer = 1;
            return m_portal->sessions;
        });
        PortalGlobalShortcutsGrabber grabber;
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("did not bind the global shortcuts"));
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::ok);
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers.at(0), QVariantList({1u, QVariant::fromValue(GrabResult::unavailable)}));
        QCOMPARE(m_thread.run([this] { return m_portal->sessions; }), sessions + 1);
        // A key the portal cannot name is refused before it is asked.
        QCOMPARE(grabber.grab(3, 9, 0x100), GrabResult::noSuchKey);
        m_thread.run([this] { m_portal->answer = 0; });
    }

    void aRequestThePortalFailsIsARefusal()
    {
        PortalGlobalShortcutsGrabber grabber;
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        m_thread.run([this] { m_portal->failCalls = true; });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed the request"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("did not bind the global shortcuts"));
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::ok);
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers.at(0), QVariantList({1u, QVariant::fromValue(GrabResult::unavailable)}));

        // Not stuck on the failed request: the next grab is bound.
        m_thread.run([this] { m_portal->failCalls = false; });
        QCOMPARE(grabber.grab(2, 46, 0x100 | 0x200), GrabResult::ok);
        QTRY_COMPARE(m_thread.run([this] { return m_portal->bound; }),
            QStringList{"hotkey-2=SHIFT+LOGO+l (Fix the keyboard layout)"});
        QCOMPARE(answers.size(), 1);
    }

    void cleanupTestCase()
    {
        m_thread.run([this] { delete m_portal; });
    }
};

QTEST_GUILESS_MAIN(TestPortalShortcuts)
#include "test_portal_shortcuts.moc"
