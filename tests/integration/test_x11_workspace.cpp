// X11Workspace against real windows under openbox.

#include "platform/x11/X11Workspace.h"

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

    QTemporaryDir m_data;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_data.filePath("applications/org.example")));
        QFile entry(m_data.filePath("applications/org.example/Probe.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        // Qt names its windows' class after the program: WM_CLASS "test_x11_workspace".
        entry.write("[Desktop Entry]\nName=Probe\nStartupWMClass=TEST_X11_WORKSPACE\n");
        qputenv("XDG_DATA_DIRS", m_data.filePath("none").toUtf8());
    }

    void frontmostApplication_data()
    {
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<bool>("windowManager");
        QTest::addColumn<QString>("expected"); // name|id
        QTest::newRow("desktop entry") << m_data.path() << true << "Probe|org.example-Probe";
        QTest::newRow("no entry: the class")
            << m_data.filePath("none") << true << "test_x11_workspace|test_x11_workspace";
        QTest::newRow("no window manager") << m_data.path() << false << "Probe|org.example-Probe";
    }

    void frontmostApplication()
    {
        QFETCH(QString, dataHome);
        QFETCH(bool, windowManager);
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        QWindow window;
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_window_t child = xcb_generate_id(connection);
        if (!windowManager) {
            // As without a window manager: no _NET_ACTIVE_WINDOW, and the focus on a child without WM_CLASS,
            // to be walked up from. openbox and Qt finish focusing the new window first: a focus request of
            // theirs stamped in the same millisecond as ours would win.
            QTest::qWait(50);
            xcb_create_window(connection, XCB_COPY_FROM_PARENT, child, window.winId(), 0, 0, 10, 10, 0,
                XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_map_window(connection, child);
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, child, XCB_CURRENT_TIME);
            auto *atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 18, "_NET_ACTIVE_WINDOW"), 0);
            xcb_delete_property(connection, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, atom->atom);
            std::free(atom);
        }
        // openbox sets _NET_ACTIVE_WINDOW in its own time, and the desktop entries are scanned in theirs.
        X11Workspace workspace;
        QTRY_COMPARE(workspace.frontmostApplication().value_or(RunningApplication()).windowId, window.winId());
        const auto named = [&workspace] {
            const RunningApplication application = workspace.frontmostApplication().value_or(RunningApplication());
            return application.localizedName.value_or("") + '|' + application.bundleIdentifier.value_or("");
        };
        QFETCH(QString, expected);
        QTRY_COMPARE(named(), expected);
        const auto application = workspace.frontmostApplication();
        // The focus stayed where this row put it.
        auto *focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        QCOMPARE(focus->focus, windowManager ? window.winId() : child);
        std::free(focus);
        QCOMPARE(application->processIdentifier, qint64(getpid()));
        // The class itself, whatever desktop entry it led to: terminals are known by it.
        QCOMPARE(application->windowClass, QStringLiteral("test_x11_workspace"));
    }
};

QTEST_MAIN(TestX11Workspace)
#include "test_x11_workspace.moc"
