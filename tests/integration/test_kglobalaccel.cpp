// KGlobalAccelHotkeyGrabber against a kglobalaccel of the test's own on a private session bus: what
// Plasma's service is told, and a press it reports reaching the callback.

#include "BusServiceThread.h"
#include "FakeKGlobalAccel.h"
#include "platform/KGlobalAccelHotkeyGrabber.h"

#include <QDBusConnection>
#include <QTest>

class TestKGlobalAccel : public QObject {
    Q_OBJECT

    BusServiceThread m_thread;
    FakeKGlobalAccel *m_service = nullptr;

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

    void registersTheShortcutAndReportsItsPresses()
    {
        KGlobalAccelHotkeyGrabber grabber;
        QList<std::uint32_t> pressed;
        grabber.setPressedCallback([&](std::uint32_t id) { pressed.append(id); });
        // Super+Shift+V: X keycode 55 is V.
        QCOMPARE(grabber.grab(1, 55, 0x100 | 0x200), HotkeyGrabber::success);
        QCOMPARE(m_service->registered,
            QStringList({"io.quillbox.Quillbox", "hotkey-1", "Quillbox", "Show the clipboard history"}));
        QCOMPARE(m_service->lastKeys, QList<int>{(Qt::META | Qt::SHIFT | Qt::Key_V).toCombined()});

        m_thread.post([this] {
            emit m_service->component.globalShortcutPressed("io.quillbox.Quillbox", "hotkey-1", 0);
            emit m_service->component.globalShortcutPressed("org.kde.konsole", "hotkey-1", 0);
        });
        QTRY_COMPARE(pressed, QList<std::uint32_t>{1});

        grabber.ungrab(1);
        QTRY_COMPARE(m_service->inactive.value(1), QStringLiteral("hotkey-1"));
    }

    void aTakenCombinationIsRefused()
    {
        KGlobalAccelHotkeyGrabber grabber;
        m_service->taken = (Qt::META | Qt::SHIFT | Qt::Key_L).toCombined();
        QCOMPARE(grabber.grab(2, 46, 0x100 | 0x200), KGlobalAccelHotkeyGrabber::taken);
        // A key kglobalaccel cannot name is refused before it is asked.
        QCOMPARE(grabber.grab(3, 9, 0x100), HotkeyGrabber::badValue);
    }

    void cleanupTestCase()
    {
        m_thread.run([this] { delete m_service; });
    }
};

QTEST_GUILESS_MAIN(TestKGlobalAccel)
#include "test_kglobalaccel.moc"
