#include "SubmittedText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

std::optional<QByteArray> SubmittedText::read(int fd, QString *problem)
{
    constexpr qint64 chunk = 1024 * 1024;
    QByteArray bytes;
    for (;;) {
        // One byte past the bound tells a text of exactly maxBytes from a longer one.
        const qint64 room = std::min(chunk, maxBytes + 1 - bytes.size());
        if (room <= 0) {
            *problem = tooLarge();
            return std::nullopt;
        }
        const qsizetype before = bytes.size();
        if (bytes.capacity() < before + room)
            bytes.reserve(std::min(maxBytes + 1, std::max(2 * bytes.capacity(), before + room)));
        bytes.resize(before + room);
        const ssize_t got = ::read(fd, bytes.data() + before, size_t(room));
        if (got < 0 && errno == EINTR) {
            bytes.resize(before);
            continue;
        }
        if (got < 0) {
            *problem = QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
        bytes.resize(before + got);
        if (got == 0)
            return bytes;
    }
}

QString SubmittedText::tooLarge()
{
    return QStringLiteral("holds more than %1 MB, the most one copy may hold").arg(maxBytes >> 20);
}

QString SubmittedText::textProblem(const QByteArray &bytes)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        return QStringLiteral("is not text: byte %1 is a NUL").arg(nul + 1);
    if (!bytes.isValidUtf8())
        return QStringLiteral("is not text: it is not UTF-8");
    return {};
}
