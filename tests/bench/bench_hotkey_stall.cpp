// The GUI thread's longest stall while Quillbox takes its global shortcuts from a kglobalaccel that
// never answers (a hung Plasma service). Run on a private session bus: dbus-run-session -- bench_hotkey_stall

#include "BusServiceThread.h"
#include "FakeKGlobalAccel.h"
#include "GuiStallProbe.h"
#include "platform/KGlobalAccelHotkeyGrabber.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "bench_hotkey_stall needs a session bus (dbus-run-session)\n");
        return 1;
    }
    BusServiceThread thread;
    FakeKGlobalAccel *service = nullptr;
    const bool serving = thread.run([&service] {
        service = new FakeKGlobalAccel;
        service->replies = FakeKGlobalAccel::Replies::never;
        return service->serveOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-kglobalaccel"));
    });
    if (!serving) {
        std::fprintf(stderr, "cannot take kglobalaccel's name on this bus\n");
        return 1;
    }

    KGlobalAccelHotkeyGrabber grabber;
    GuiStallProbe probe;
    probe.start();
    QElapsedTimer calls;
    calls.start();
    // What launch asks for: the panel's shortcut and the wrong-layout fix's; then the fix switched off.
    grabber.grab(1, 55, 0x100 | 0x200);
    grabber.grab(2, 46, 0x100 | 0x200);
    grabber.ungrab(2);
    const double callsMs = double(calls.nsecsElapsed()) / 1e6;
    // The loop keeps turning a while, so a wait that starts in a reply handler shows too.
    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    app.exec();
    const double stallMs = probe.stop();

    std::printf("%-58s %9.1f ms\n", "kglobalaccel never answers: two grabs and an ungrab took", callsMs);
    std::printf(
        "%-58s %9.1f ms   (target <= 20 ms)\n", "kglobalaccel never answers: longest GUI-thread stall", stallMs);
    thread.run([service] { delete service; });
    return 0;
}
