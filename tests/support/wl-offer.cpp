// wl-offer: sets the Wayland clipboard through data-control with several formats at once, as a
// program the tests control. Arguments: pairs of a format and its value ("@path" for a file's bytes), and
// "--stall" to stop with SIGSTOP once the selection is set, before answering anyone. Prints
// "offered" when the selection is set and exits when another program replaces it.
#include "platform/wayland/WaylandClipboardReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <utility>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool stall = false;
    MimeFormats formats;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--stall")) {
            stall = true;
            continue;
        }
        if (i + 1 == arguments.size())
            return 2;
        const QString &value = arguments[++i];
        if (value.startsWith(u'@')) {
            QFile file(value.mid(1));
            if (!file.open(QIODevice::ReadOnly))
                return 2;
            formats.insert(arguments[i - 1], file.readAll());
        } else {
            formats.insert(arguments[i - 1], value.toUtf8());
        }
    }
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
