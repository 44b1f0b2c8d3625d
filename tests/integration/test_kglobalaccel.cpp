// KGlobalAccelHotkeyGrabber against a kglobalaccel of the test's own on a private session bus: presses of
// other programs, refusals, and answers that come late or never, which the real one does not give.

#include "BusServiceThread.h"
#include "FakeKGlobalAccel.h"
#include "platform/KGlobalAccelHotkeyGrabber.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

using GrabResult = HotkeyGrabber::GrabResult;

class TestKGlobalAccel : public QObject {
    Q_OBJECT

    BusServiceThread m_thread;
    FakeKGlobalAccel *m_service = nullptr;

    // Announces a press of another component's action named as Quillbox's id 2, then one of Quillbox's
    // id 1; true once a press arrived.
    bool pressOnce(QSignalSpy &pressed)
    {
        m_thread.post([this] {
            emit m_service->component.globalShortcutPressed("org.kde.konsole", "hotkey-2", 0);
            emit m_service->component.globalShortcutPressed("io.quillbox.Quillbox", "hotkey-1", 0);
        });
        return pressed.wait(200) || !pressed.isEmpty();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!KGlobalAccelHotkeyGrabber::isServiceAvailable());
        QVERIFY(m_thread.run([this] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-kglobalaccel");
            m_service = new FakeKGlobalAccel;
            return m_service->serveOn(bus);
        }));
        QVERIFY(KGlobalAccelHotkeyGrabber::isServiceAvailable());
    }

    // Registering and pressing are test_kwin_session's, against the kglobalaccel inside KWin; what a
    // person cannot make it do is here.
    void onlyQuillboxsOwnPressesCountAndUngrabbingLetsGo()
    {
        KGlobalAccelHotkeyGrabber grabber;
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        QSignalSpy pressed(&grabber, &HotkeyGrabber::pressed);
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::pending);
        QCOMPARE(grabber.grab(2, 46, 0x100 | 0x200), GrabResult::pending);
        QTRY_COMPARE(answers.size(), 2);

        // Presses are listened for once kglobalaccel has named the component; another component's
        // press, sent first, never counts.
        QTRY_VERIFY(pressOnce(pressed));
        for (const QVariantList &press : std::as_const(pressed))
            QCOMPARE(press.first().toUInt(), 1u);

        grabber.ungrab(1);
        QTRY_COMPARE(m_thread.run([this] { return m_service->inactive.value(1); }), QStringLiteral("hotkey-1"));
    }

    void aTakenCombinationIsRefused()
    {
        KGlobalAccelHotkeyGrabber grabber;
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        m_thread.run([this] { m_service->taken = (Qt::META | Qt::SHIFT | Qt::Key_L).toCombined(); });
        QCOMPARE(grabber.grab(2, 46, 0x100 | 0x200), GrabResult::pending);
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers.at(0), QVariantList({2u, QVariant::fromValue(GrabResult::taken)}));
        // A key kglobalaccel cannot name is refused before it is asked.
        QCOMPARE(grabber.grab(3, 9, 0x100), GrabResult::noSuchKey);
    }

    void aLateAnswerStillCountsAndAStaleOneDoesNot()
    {
        m_thread.run([this] {
            m_service->taken = 0;
            m_service->replies = FakeKGlobalAccel::Replies::late;
        });
        KGlobalAccelHotkeyGrabber grabber;
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::pending);
        // Asked again before the first answer: only the newest is answered.
        QCOMPARE(grabber.grab(1, 46, 0x100 | 0x200), GrabResult::pending);
        // Asked, then let go of before the answer: never answered.
        QCOMPARE(grabber.grab(2, 55, 0x1000), GrabResult::pending);
        grabber.ungrab(2);
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers.at(0), QVariantList({1u, QVariant::fromValue(GrabResult::ok)}));
        QTest::qWait(2 * m_thread.run([this] { return m_service->lateMs; }));
        QCOMPARE(answers.size(), 1);
        m_thread.run([this] { m_service->replies = FakeKGlobalAccel::Replies::atOnce; });
    }

    void aServiceThatNeverAnswersCountsAsUnavailable()
    {
        m_thread.run([this] { m_service->replies = FakeKGlobalAccel::Replies::never; });
        KGlobalAccelHotkeyGrabber grabber(200);
        QSignalSpy answers(&grabber, &HotkeyGrabber::grabAnswered);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kglobalaccel did not take the shortcut"));
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), GrabResult::pending);
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers.at(0), QVariantList({1u, QVariant::fromValue(GrabResult::unavailable)}));
        m_thread.run([this] { m_service->replies = FakeKGlobalAccel::Replies::atOnce; });
    }

    void cleanupTestCase()
    {
        m_thread.run([this] { delete m_service; });
    }
};

QTEST_GUILESS_MAIN(TestKGlobalAccel)
#include "test_kglobalaccel.moc"
