// X11Workspace against real windows under openbox.

#include "platform/X11Workspace.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>

#include <unistd.h>

#include <cstdlib>

class TestX11Workspace : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_data;

private slots:
    void initTestCase()
    {
        QVERIFY(m_data.isValid());
        QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("applications/org.example"))));
        QFile entry(m_data.filePath(QStringLiteral("applications/org.example/Probe.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        // Qt names its windows' class after the program (WM_CLASS "test_x11_workspace").
        entry.write("[Desktop Entry]\nType=Application\nName=Probe\nName[de]=Sonde\n"
                    "StartupWMClass=TEST_X11_WORKSPACE\n");
        entry.close();
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
        qputenv("XDG_DATA_DIRS", m_data.filePath(QStringLiteral("none")).toUtf8());
    }

    void activeWindowIsOurs()
    {
        QWindow window;
        window.resize(200, 100);
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        const X11Workspace workspace;
        // openbox sets _NET_ACTIVE_WINDOW on its own time after the focus change.
        QTRY_COMPARE(workspace.frontmostApplication().value_or(RunningApplication()).windowId, window.winId());
        const auto application = workspace.frontmostApplication();
        QCOMPARE(application->processIdentifier, qint64(getpid()));
        QCOMPARE(application->localizedName, QStringLiteral("Probe"));
        QCOMPARE(application->bundleIdentifier, QStringLiteral("org.example-Probe"));

        // Without a matching entry, the window class stands for both.
        qputenv("XDG_DATA_HOME", m_data.filePath(QStringLiteral("none")).toUtf8());
        const auto unlisted = X11Workspace().frontmostApplication();
        QVERIFY(unlisted);
        QCOMPARE(unlisted->localizedName, QCoreApplication::applicationName());
        QCOMPARE(unlisted->bundleIdentifier, QCoreApplication::applicationName());
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }

    void inputFocusStandsInWithoutWindowManagerHint()
    {
        QWindow window;
        window.resize(200, 100);
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Focus on a bare child window (no WM_CLASS) of ours, and no _NET_ACTIVE_WINDOW on the root, as
        // on a desktop without a window manager: the application is found by walking up from the focus.
        xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_window_t child = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, child, window.winId(), 0, 0, 10, 10, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection, child);
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, child, XCB_CURRENT_TIME);
        const char name[] = "_NET_ACTIVE_WINDOW";
        auto *atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        QVERIFY(atom);
        xcb_delete_property(connection, root, atom->atom);
        std::free(atom);
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); // a round trip

        const auto application = X11Workspace().frontmostApplication();
        QVERIFY(application);
        QCOMPARE(application->windowId, window.winId());
        QCOMPARE(application->localizedName, QStringLiteral("Probe"));
        xcb_destroy_window(connection, child);
    }
};

QTEST_MAIN(TestX11Workspace)
#include "test_x11_workspace.moc"
