#pragma once

#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>

/// Prints one benchmark figure: the median and the 95th percentile of the samples.
inline void report(const QString &name, QList<double> samples, const char *unit)
{
    std::sort(samples.begin(), samples.end());
    const double median = samples.at(samples.size() / 2);
    const double p95 = samples.at(std::min<qsizetype>(samples.size() - 1, samples.size() * 95 / 100));
    std::printf("%-58s median %9.3f %s   p95 %9.3f %s   (n=%lld)\n", qPrintable(name), median, unit, p95, unit,
        static_cast<long long>(samples.size()));
    std::fflush(stdout);
}

/// The resident memory of process `pid` in MB, from /proc.
inline double residentMegabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

/// The private memory of process `pid` in MB: pages no other process shares (Private_Clean +
/// Private_Dirty of smaps_rollup). Unlike the resident size or PSS it does not move with what other
/// processes map of the same libraries.
inline double privateMegabytes(qint64 pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    rollup.open(QIODevice::ReadOnly);
    double kilobytes = 0;
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            kilobytes += line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toDouble();
    }
    return kilobytes / 1024.0;
}

/// The median of the samples.
inline double median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.isEmpty() ? 0 : samples.at(samples.size() / 2);
}
