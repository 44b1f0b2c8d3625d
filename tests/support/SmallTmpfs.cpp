#include "SmallTmpfs.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString fillerName = QStringLiteral("filler");

} // namespace

SmallTmpfs::SmallTmpfs(qint64 bytes)
{
    if (::geteuid() != 0) {
        m_problem = QStringLiteral("mounting a tmpfs needs root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    if (!m_mounted)
        m_problem = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallTmpfs::~SmallTmpfs()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallTmpfs::fill()
{
    const int fd = ::open(QFile::encodeName(filePath(fillerName)).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return false;
    // Page by page, so the last page is taken too.
    const QByteArray page(4096, '\0');
    while (::write(fd, page.constData(), size_t(page.size())) > 0) { }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

void SmallTmpfs::free()
{
    QFile::remove(filePath(fillerName));
}
