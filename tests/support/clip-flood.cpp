// clip-flood [--rate N] [--seconds S]: takes the X11 CLIPBOARD N times a second with a new text
// each time, for S seconds, then exits. A program that floods clipboard managers with changes.

#include <QClipboard>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"rate", "changes per second", "n", "100"}, {"seconds", "how long", "s", "30"}});
    parser.process(app);
    const int intervalMs = std::max(1, 1000 / std::max(1, parser.value("rate").toInt()));
    const qint64 durationMs = parser.value("seconds").toLongLong() * 1000;

    QElapsedTimer elapsed;
    elapsed.start();
    int change = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        if (elapsed.elapsed() >= durationMs) {
            QGuiApplication::quit();
            return;
        }
        QGuiApplication::clipboard()->setText(QStringLiteral("flood change %1").arg(++change));
    });
    timer.start(intervalMs);
    return QGuiApplication::exec();
}
