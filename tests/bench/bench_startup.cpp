// Start-up of the real program on a store of 10,000 items (1,000 of them images of about 200 KB):
// time from launch to capture-ready, resident memory once loaded, and CPU used while idle.
// Run inside scripts/xsession; QUILLBOX_BINARY names the program.

#include "BenchReport.h"
#include "TestImages.h"
#include "model/ImageDigest.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray noisePng(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random->generate());
    }
    return encodedImage(image);
}

void prepareStore(const QString &path)
{
    QString error;
    auto container = ModelContainer::open(path, &error);
    if (!container)
        qFatal("cannot create the store: %s", qPrintable(error));
    ModelContext &context = container->mainContext();
    ClipCategory::insertDefaults(context);
    PasteTemplate::insertDefaults(context);
    const QByteArray image = noisePng(256); // about 200 KB, incompressible
    // As captured: with their digests, so no launch spends its idle time computing them.
    const auto digest = ImageDigest::ofEncoded(image);
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < 10000; ++i) {
        if (i % 10 == 0) {
            auto item = ClipboardItem::create(
                QStringLiteral("Image (%1 KB)").arg(image.size() / 1024), ClipboardItemType::image, image);
            item->setImageDigest(digest);
            context.insert(item);
        } else {
            const int length = 10 + int(random->bounded(1000));
            context.insert(ClipboardItem::create(
                QString(length, QChar(u'a' + i % 26)) + QString::number(i), ClipboardItemType::text));
        }
        if (i % 1000 == 999)
            context.save();
    }
    context.waitForSaves();
    std::printf("store: %lld MB on disk\n", static_cast<long long>(QFile(path).size() / (1024 * 1024)));
    std::fflush(stdout);
}

QProcessEnvironment environment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("QT_LOGGING_RULES", "quillbox.app.debug=true");
    return env;
}

bool waitUntilReady(QProcess &process)
{
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    const QDeadlineTimer deadline(10000);
    while (!err.contains("capture ready")) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        err += process.readAllStandardError();
    }
    return true;
}

// CPU time per thread, from the scheduler's nanosecond counters (/proc/PID/stat counts whole clock
// ticks, too coarse for an idle program).
QHash<QString, double> cpuSecondsByThread(qint64 pid)
{
    QHash<QString, double> seconds;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + "/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            seconds.insert(task, schedstat.readAll().split(' ').first().toDouble() / 1e9);
    }
    return seconds;
}

// Context switches per thread: each is a thread waking up (or being woken).
QHash<QString, qint64> wakeUpsByThread(qint64 pid)
{
    QHash<QString, qint64> switches;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + "/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                switches[task] += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return switches;
}

// CPU used between two samples. A worker thread that ends in between (an idle pool thread expiring)
// takes its counter with it; it was idle, so only the threads seen at the end count.
double cpuSecondsBetween(const QHash<QString, double> &before, const QHash<QString, double> &after)
{
    double used = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        used += it.value() - before.value(it.key(), 0);
    return used;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int idleSeconds = qEnvironmentVariableIntValue("QUILLBOX_BENCH_IDLE_SECONDS") > 0
        ? qEnvironmentVariableIntValue("QUILLBOX_BENCH_IDLE_SECONDS")
        : 60;
    QTemporaryDir home;
    prepareStore(home.filePath(".local/share/Quillbox/Quillbox.sqlite"));
    // A returning user: launch shows the panel rather than the welcome pages.
    Preferences(home.filePath(".config/Quillbox/Quillbox.conf")).setHasSeenOnboarding(true);
    if (qEnvironmentVariableIsSet("QUILLBOX_BENCH_KEEP_STORE")) {
        home.setAutoRemove(false);
        std::printf("store kept in %s\n", qPrintable(home.path()));
    }

    QList<double> readyMs;
    QList<double> rss;
    for (int run = 0; run < 7; ++run) {
        QProcess process;
        process.setProcessEnvironment(environment(home.path()));
        QElapsedTimer timer;
        timer.start();
        process.start(qEnvironmentVariable("QUILLBOX_BINARY"), {});
        if (!waitUntilReady(process))
            qFatal("quillbox did not become ready");
        readyMs.append(double(timer.nsecsElapsed()) / 1e6);
        QThread::msleep(1000);
        rss.append(residentMegabytes(process.processId()));
        process.terminate();
        process.waitForFinished();
    }
    report("start to capture-ready, 10,000 items (1,000 images)", readyMs, "ms");
    report("resident memory once loaded", rss, "MB");

    QProcess process;
    process.setProcessEnvironment(environment(home.path()));
    process.start(qEnvironmentVariable("QUILLBOX_BINARY"), {});
    if (!waitUntilReady(process))
        qFatal("quillbox did not become ready");
    QThread::msleep(2000);
    const auto before = cpuSecondsByThread(process.processId());
    const auto wakeUpsBefore = wakeUpsByThread(process.processId());
    QThread::sleep(idleSeconds);
    const double used = cpuSecondsBetween(before, cpuSecondsByThread(process.processId()));
    // As for the CPU time: a thread that ended meanwhile was idle; threads seen at the end count.
    qint64 woken = 0;
    const auto wakeUpsAfter = wakeUpsByThread(process.processId());
    for (auto it = wakeUpsAfter.cbegin(); it != wakeUpsAfter.cend(); ++it)
        woken += it.value() - wakeUpsBefore.value(it.key(), 0);
    std::printf("%-58s %9.4f s CPU over %d s\n", "idle, 10,000 items, nothing copied", used, idleSeconds);
    std::printf("%-58s %9.1f per minute\n", "  wake-ups while idle (context switches, all threads)",
        double(woken) * 60.0 / idleSeconds);
    process.terminate();
    process.waitForFinished();
    return 0;
}
