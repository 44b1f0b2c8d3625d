// Start-up of the real program: time from launch to capture-ready and private memory with the panel
// shown, for histories of 0, 1,000, 10,000 and 50,000 short texts (the last beyond the bound a person can
// set, written straight into the store), launched in turn so that a slow spell of the machine falls on
// every size alike; then a store of 10,000 items, 1,000 of them images of about 200 KB: start-up,
// resident memory, and CPU used while idle. Run inside scripts/xsession; QUILLBOX_BINARY names the program.
// For a quick look only: QUILLBOX_BENCH_SIZES=0,10000 and QUILLBOX_BENCH_ROUNDS=3 measure fewer sizes and
// rounds, QUILLBOX_BENCH_IDLE_SECONDS a shorter idle spell.

#include "BenchHistory.h"
#include "BenchReport.h"
#include "TestImages.h"
#include "model/HistoryLimit.h"
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

struct HistorySize {
    int count;
    QString home;
    QList<double> readyMs;
    QList<double> privateMb;
};

// A returning user's home: launch shows the panel rather than the welcome pages. "Unlimited" chosen: a
// history beyond the bound (50,000 items) is cut only by the next copy, and the benchmark copies nothing.
void prepareHome(const QString &home)
{
    Preferences preferences(home + "/.config/Quillbox/Quillbox.conf");
    preferences.setHasSeenOnboarding(true);
    preferences.setMaxHistoryCount(HistoryLimit::unlimited);
}

QString storePath(const QString &home)
{
    return home + "/.local/share/Quillbox/Quillbox.sqlite";
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

// The sample at a quarter, the median and three quarters, and the least and most.
QString spread(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double fraction) { return samples.at(qsizetype(fraction * double(samples.size() - 1))); };
    return QStringLiteral("median %1 (quartiles %2-%3, all %4-%5)")
        .arg(at(0.5), 0, 'f', 1)
        .arg(at(0.25), 0, 'f', 1)
        .arg(at(0.75), 0, 'f', 1)
        .arg(samples.first(), 0, 'f', 1)
        .arg(samples.last(), 0, 'f', 1);
}

void measureHistorySizes(const QString &root)
{
    constexpr int textLength = 192;
    // Fewer rounds (QUILLBOX_BENCH_ROUNDS) only for a quick look: the figures need at least 15.
    const int rounds = qEnvironmentVariableIntValue("QUILLBOX_BENCH_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("QUILLBOX_BENCH_ROUNDS")
        : 15;
    QList<HistorySize> sizes;
    QList<int> counts = {0, 1000, 10000, 50000};
    if (qEnvironmentVariableIsSet("QUILLBOX_BENCH_SIZES")) {
        counts.clear();
        for (const QString &count : qEnvironmentVariable("QUILLBOX_BENCH_SIZES").split(u','))
            counts.append(count.toInt());
    }
    for (const int count : std::as_const(counts)) {
        HistorySize size{count, QStringLiteral("%1/history-%2").arg(root).arg(count), {}, {}};
        QString error;
        auto container = ModelContainer::open(storePath(size.home), &error);
        if (!container)
            qFatal("cannot create the store: %s", qPrintable(error));
        fillTexts(container->mainContext(), count, textLength);
        container.reset();
        prepareHome(size.home);
        sizes.append(size);
    }
    for (int round = 0; round < rounds; ++round) {
        for (HistorySize &size : sizes) {
            QProcess process;
            process.setProcessEnvironment(environment(size.home));
            QElapsedTimer timer;
            timer.start();
            process.start(qEnvironmentVariable("QUILLBOX_BINARY"), {});
            if (!waitUntilReady(process))
                qFatal("quillbox did not become ready");
            size.readyMs.append(double(timer.nsecsElapsed()) / 1e6);
            QThread::msleep(3000); // the panel shown and settled
            size.privateMb.append(privateMegabytes(process.processId()));
            process.terminate();
            process.waitForFinished();
        }
    }
    std::printf("texts of %d characters, %d rounds launching each size in turn; the panel shown 3 s after ready\n",
        textLength, rounds);
    const HistorySize &empty = sizes.first();
    for (const HistorySize &size : std::as_const(sizes)) {
        const QString name
            = size.count == 0 ? QStringLiteral("empty store") : QStringLiteral("%1 texts").arg(size.count);
        std::printf("%-14s start to capture-ready ms  %s\n", qPrintable(name), qPrintable(spread(size.readyMs)));
        std::printf("%-14s private memory MB          %s\n", "", qPrintable(spread(size.privateMb)));
        if (size.count == 0)
            continue;
        const double addedMb = median(size.privateMb) - median(empty.privateMb);
        const double addedMs = median(size.readyMs) - median(empty.readyMs);
        std::printf("%-14s over empty: %+.1f MB (%.2f KB an item), %+.1f ms (%.1f ms per 1,000 items)\n", "", addedMb,
            addedMb * 1024.0 / size.count, addedMs, addedMs * 1000.0 / size.count);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int idleSeconds = qEnvironmentVariableIntValue("QUILLBOX_BENCH_IDLE_SECONDS") > 0
        ? qEnvironmentVariableIntValue("QUILLBOX_BENCH_IDLE_SECONDS")
        : 60;
    {
        QTemporaryDir root;
        if (qEnvironmentVariableIsSet("QUILLBOX_BENCH_KEEP_STORE")) {
            root.setAutoRemove(false);
            std::printf("stores kept in %s\n", qPrintable(root.path()));
        }
        measureHistorySizes(root.path());
    }
    QTemporaryDir home;
    prepareStore(storePath(home.path()));
    prepareHome(home.path());
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
