// The real program on a real X server, copies made with xclip: copy-to-stored latency, rapid copies
// 20 ms and 100 ms apart, an owner that changes the clipboard 100 times a second, and a soak of 2,000
// copies with the panel opened and closed in between.
// Run inside scripts/xsession; QUILLBOX_BINARY names the program, CLIP_FLOOD the flooding owner.

#include "BenchReport.h"
#include "QuillboxProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QThread>

#include <memory>
#include <vector>

namespace {

class Copier {
public:
    ~Copier() { reap(true); }

    // A copy as a person makes one: xclip takes the clipboard and serves it until the next copy.
    void copy(const QByteArray &text)
    {
        reap(false);
        m_owners.push_back(std::make_unique<QProcess>());
        QProcess &xclip = *m_owners.back();
        xclip.start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard"});
        xclip.waitForStarted();
        xclip.write(text);
        // Nothing runs an event loop here to write it later.
        xclip.waitForBytesWritten(1000);
        xclip.closeWriteChannel();
    }

private:
    void reap(bool all)
    {
        std::erase_if(m_owners, [all](const std::unique_ptr<QProcess> &owner) {
            if (!all && owner->state() != QProcess::NotRunning)
                return false;
            if (owner->state() != QProcess::NotRunning) {
                owner->kill();
                owner->waitForFinished();
            }
            return true;
        });
    }
    std::vector<std::unique_ptr<QProcess>> m_owners;
};

qint64 storedCount(QuillboxProcess &quillbox)
{
    return quillbox.query(QStringLiteral("SELECT count(*) FROM ClipboardItem")).toLongLong();
}

double cpuSeconds(qint64 pid)
{
    double seconds = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + "/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            seconds += schedstat.readAll().split(' ').first().toDouble() / 1e9;
    }
    return seconds;
}

void latency(QuillboxProcess &quillbox, Copier &copier)
{
    QList<double> samples;
    for (int i = 0; i < 60; ++i) {
        const qint64 before = storedCount(quillbox);
        if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
            std::fprintf(stderr, "sample %d, %lld stored\n", i, static_cast<long long>(before));
        QElapsedTimer timer;
        timer.start();
        copier.copy(QStringLiteral("latency sample %1 %2").arg(i).arg(QDateTime::currentMSecsSinceEpoch()).toUtf8());
        const QDeadlineTimer deadline(5000);
        while (storedCount(quillbox) == before && !deadline.hasExpired())
            QThread::usleep(500);
        samples.append(double(timer.nsecsElapsed()) / 1e6);
        QThread::msleep(50);
    }
    report("copy (xclip started) to stored in the SQLite file", samples, "ms");
    std::sort(samples.begin(), samples.end());
    std::printf("%-58s p50 %7.1f ms   p90 %7.1f ms\n", "  (latency percentiles)", samples.at(samples.size() / 2),
        samples.at(samples.size() * 9 / 10));
}

void rapid(QuillboxProcess &quillbox, Copier &copier, int spacingMs)
{
    const qint64 before = storedCount(quillbox);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 200; ++i) {
        while (timer.elapsed() < qint64(i) * spacingMs)
            QThread::usleep(200);
        copier.copy(QStringLiteral("rapid %1 ms, copy %2 of 200, %3")
                        .arg(spacingMs)
                        .arg(i + 1)
                        .arg(QDateTime::currentMSecsSinceEpoch())
                        .toUtf8());
    }
    QThread::msleep(3000);
    std::printf("%-58s %lld of 200 stored\n", qPrintable(QStringLiteral("200 copies %1 ms apart").arg(spacingMs)),
        static_cast<long long>(storedCount(quillbox) - before));
    std::fflush(stdout);
}

void flood(QuillboxProcess &quillbox)
{
    const qint64 pid = quillbox.process().processId();
    QThread::msleep(1000);
    const double rssBefore = residentMegabytes(pid);
    const double cpuBefore = cpuSeconds(pid);
    QProcess owner;
    owner.start(qEnvironmentVariable("CLIP_FLOOD"), {"--rate", "100", "--seconds", "30"});
    owner.waitForStarted();
    double cpuStream = 0;
    while (owner.state() != QProcess::NotRunning)
        owner.waitForFinished(1000);
    cpuStream = cpuSeconds(pid) - cpuBefore;
    const double rssAfterStream = residentMegabytes(pid);
    const double cpuQuiet = cpuSeconds(pid);
    QThread::msleep(5000);
    std::printf("%-58s %6.1f%% of a core during the stream, %6.2f%% in the 5 s after\n",
        "clipboard changed 100 times a second for 30 s", 100.0 * cpuStream / 30.0,
        100.0 * (cpuSeconds(pid) - cpuQuiet) / 5.0);
    std::printf("%-58s %6.1f MB before, %6.1f MB after (%lld items stored)\n", "  resident memory", rssBefore,
        rssAfterStream, static_cast<long long>(storedCount(quillbox)));
    std::fflush(stdout);
}

// 2,000 copies, 25 ms apart, with the panel shown and hidden after every 50: memory and CPU at the
// start and at the end show whether anything accumulates.
void soak(QuillboxProcess &quillbox, Copier &copier)
{
    const qint64 pid = quillbox.process().processId();
    const double rssStart = residentMegabytes(pid);
    const double cpuStart = cpuSeconds(pid);
    QElapsedTimer elapsed;
    elapsed.start();
    // The first half pays for what is built once (the panel's views, caches); growth in the second
    // half is what each copy and each showing costs.
    double rssHalfway = 0;
    for (int i = 0; i < 2000; ++i) {
        if (i == 1000)
            rssHalfway = residentMegabytes(pid);
        copier.copy(QStringLiteral("soak copy %1: %2").arg(i).arg(QString(i % 200, u'x')).toUtf8());
        QThread::msleep(25);
        if (i % 50 == 49) {
            quillbox.startSecondInstance({QStringLiteral("--toggle")});
            QThread::msleep(150);
            quillbox.startSecondInstance({QStringLiteral("--toggle")});
        }
    }
    QThread::msleep(2000);
    const double seconds = double(elapsed.elapsed()) / 1000.0;
    const double rssEnd = residentMegabytes(pid);
    std::printf("%-58s %6.1f MB at the start, %6.1f MB at the end\n", "soak: 2,000 copies, panel shown 40 times",
        rssStart, rssEnd);
    std::printf("%-58s %+6.1f MB, %.1f KB a copy\n", "  second half (1,000 copies, 20 showings)", rssEnd - rssHalfway,
        (rssEnd - rssHalfway) * 1024.0 / 1000.0);
    std::printf("%-58s %6.1f%% of a core over %.0f s, %lld items stored\n", "  CPU",
        100.0 * (cpuSeconds(pid) - cpuStart) / seconds, seconds, static_cast<long long>(storedCount(quillbox)));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QuillboxProcess quillbox;
    if (!quillbox.start())
        qFatal("quillbox did not start");
    if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
        std::fprintf(stderr, "started\n");
    {
        Copier copier;
        latency(quillbox, copier);
        rapid(quillbox, copier, 20);
        rapid(quillbox, copier, 100);
    }
    flood(quillbox);
    {
        Copier copier;
        soak(quillbox, copier);
    }
    quillbox.terminate();
    return 0;
}
