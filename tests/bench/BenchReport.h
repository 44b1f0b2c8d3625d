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
