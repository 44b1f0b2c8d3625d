// wl-offer: sets the Wayland clipboard through data-control with several formats at once, as a
// program the tests control. Arguments: pairs of a format and its value ("@path" for a file's bytes), and
// "--stall" to stop with SIGSTOP once the selection is set, before answering anyone. Prints
// "offered" when the selection is set and exits when another program replaces it.
#include "OfferArguments.h"
#include "platform/wayland/WaylandClipboardReader.h"

#include <QCoreApplication>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <utility>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<OfferArguments> arguments = OfferArguments::parse(app.arguments().mid(1));
    if (!arguments)
        return 2;
    const bool stall = arguments->stall;
    const MimeFormats formats = arguments->formats;
    WaylandClipboardReader reader({});
    if (!reader.isValid())
        return 1;
    QThread thread;
    reader.moveToThread(&thread);
    QObject::connect(
        &reader, &WaylandClipboardReader::contentRead, &app,
        [stall](const DataControlSnapshot &snapshot) {
            if (!snapshot.own) {
                // The content found at start is not a replacement.
                if (snapshot.counted)
                    QCoreApplication::quit();
                return;
            }
            std::printf("offered\n");
            std::fflush(stdout);
            if (stall)
                std::raise(SIGSTOP);
        },
        Qt::QueuedConnection);
    bool first = true;
    QObject::connect(&thread, &QThread::started, &app, [&] {
        if (std::exchange(first, false))
            reader.setSelection(formats);
    });
    // Last: run() is called directly by the thread's start and never returns.
    QObject::connect(&thread, &QThread::started, &reader, &WaylandClipboardReader::run);
    thread.start();
    const int code = app.exec();
    reader.stop();
    thread.quit();
    thread.wait();
    return code;
}
