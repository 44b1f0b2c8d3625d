// The panel of the real program over a history of 10,000 items (1,000 pinned, 500 images, texts from
// 10 bytes to 100 KB): hotkey to the first drawn frame of the shown panel, and resident memory with
// the panel shown after moving through 200 rows. Run inside scripts/xsession.

#include "BenchHistory.h"
#include "BenchReport.h"
#include "model/ModelContainer.h"
#include "model/Preferences.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

namespace {

// Reads the program's debug output until the panel reports a drawn frame; its own figure in ms.
std::optional<double> waitForPanelFrame(QProcess &process, QByteArray &err)
{
    static const QRegularExpression line(QStringLiteral("panel frame drawn (\\d+) ms"));
    const QDeadlineTimer deadline(10000);
    for (;;) {
        const auto match = line.match(QString::fromUtf8(err));
        if (match.hasMatch()) {
            err = err.mid(match.capturedEnd());
            return match.captured(1).toDouble();
        }
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return std::nullopt;
        err += process.readAllStandardError();
    }
}

void key(const QString &keys)
{
    QProcess::execute("xdotool", {"key", keys});
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir home;
    const QString storePath = home.filePath(".local/share/Quillbox/Quillbox.sqlite");
    {
        QString error;
        auto container = ModelContainer::open(storePath, &error);
        if (!container)
            qFatal("cannot create the store: %s", qPrintable(error));
        fillHistory(container->mainContext());
    }
    Preferences(home.filePath(".config/Quillbox/Quillbox.conf")).setHasSeenOnboarding(true);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    env.insert("QT_LOGGING_RULES", "quillbox.app.debug=true");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    process.start(qEnvironmentVariable("QUILLBOX_BINARY"), {});
    QByteArray err;
    if (!waitForPanelFrame(process, err))
        qFatal("the panel was not shown at launch");

    QList<double> outside;
    QList<double> inside;
    for (int run = 0; run < 11; ++run) {
        key("Escape");
        QThread::msleep(400);
        process.readAllStandardError();
        QElapsedTimer timer;
        timer.start();
        key("super+shift+v");
        const auto drawn = waitForPanelFrame(process, err);
        if (!drawn)
            qFatal("the hotkey did not show the panel");
        outside.append(double(timer.nsecsElapsed()) / 1e6);
        inside.append(*drawn);
    }
    report("hotkey to first frame of the shown panel (xdotool)", outside, "ms");
    report("show request to first frame (inside the program)", inside, "ms");

    QProcess::execute("xdotool", {"key", "--delay", "15", "--repeat", "200", "Down"});
    QThread::msleep(1500);
    report("resident memory, panel shown, 200 rows moved through", {residentMegabytes(process.processId())}, "MB");

    process.terminate();
    process.waitForFinished();
    return 0;
}
