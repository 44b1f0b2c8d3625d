#include "CopySourceFilter.h"

#include "RunningApplication.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The last part of a reverse-DNS id that names a program, not what kind of thing it is.
const QSet<QString> genericIdParts = {QStringLiteral("application"), QStringLiteral("app"), QStringLiteral("desktop"),
    QStringLiteral("client"), QStringLiteral("gui")};

// Programs that run another: the program is the script or assembly they were given.
const QSet<QString> interpreters = {QStringLiteral("python"), QStringLiteral("python3"), QStringLiteral("perl"),
    QStringLiteral("ruby"), QStringLiteral("mono"), QStringLiteral("cli"), QStringLiteral("java"),
    QStringLiteral("node"), QStringLiteral("gjs"), QStringLiteral("sh"), QStringLiteral("bash")};

QString withoutVersion(const QString &name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1).isDigit())
        --end;
    return end > 1 && end < name.size() ? name.left(end) : QString();
}

QString fileBaseName(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

} // namespace

void CopySourceFilter::setNames(const QStringList &names)
{
    QSet<QString> expanded;
    for (const QString &name : names) {
        for (const QString &variant : variants(name))
            expanded.insert(variant);
    }
    QMutexLocker lock(&m_mutex);
    m_names = std::move(expanded);
}

bool CopySourceFilter::excludes(const QStringList &sourceNames) const
{
    QMutexLocker lock(&m_mutex);
    if (m_names.isEmpty())
        return false;
    for (const QString &name : sourceNames) {
        for (const QString &variant : variants(name)) {
            if (m_names.contains(variant))
                return true;
        }
    }
    return false;
}

bool CopySourceFilter::isEmpty() const
{
    QMutexLocker lock(&m_mutex);
    return m_names.isEmpty();
}

QStringList CopySourceFilter::variants(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    if (lower.isEmpty())
        return {};
    QStringList result = {lower};
    const QStringList parts = lower.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.size() >= 3) {
        // "org.gnome.seahorse.Application" is seahorse, "com.bitwarden.desktop" bitwarden.
        const QString program = genericIdParts.contains(parts.last()) ? parts.at(parts.size() - 2) : parts.last();
        result.append(program);
    }
    const qsizetype count = result.size();
    for (qsizetype i = 0; i < count; ++i) {
        if (const QString bare = withoutVersion(result.at(i)); !bare.isEmpty())
            result.append(bare);
    }
    result.removeDuplicates();
    return result;
}

QStringList CopySourceFilter::processNames(qint64 pid)
{
    if (pid <= 0)
        return {};
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QStringList names;
    if (const QString exe = QFileInfo(proc + QLatin1String("exe")).symLinkTarget(); !exe.isEmpty())
        names.append(QFileInfo(exe.endsWith(QLatin1String(" (deleted)")) ? exe.chopped(10) : exe).fileName());
    QFile comm(proc + QLatin1String("comm"));
    if (comm.open(QIODevice::ReadOnly))
        names.append(QString::fromUtf8(comm.readAll()).trimmed());
    QFile cmdline(proc + QLatin1String("cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> arguments = cmdline.readAll().split('\0');
        if (!arguments.isEmpty()
            && interpreters.contains(QFileInfo(QString::fromLocal8Bit(arguments.first())).fileName())) {
            for (qsizetype i = 1; i < arguments.size(); ++i) {
                if (!arguments.at(i).isEmpty() && !arguments.at(i).startsWith('-')) {
                    names.append(fileBaseName(QString::fromLocal8Bit(arguments.at(i))));
                    break;
                }
            }
        }
    }
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

QStringList CopySourceFilter::applicationNames(const RunningApplication &application)
{
    QStringList names = processNames(application.processIdentifier);
    if (application.bundleIdentifier)
        names.append(*application.bundleIdentifier);
    names.append(application.windowClass);
    names.removeAll(QString());
    return names;
}
