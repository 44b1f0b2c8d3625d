#include "StdoutCapture.h"

#include <cstdio>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    m_file.open();
    std::fflush(stdout);
    m_saved = dup(STDOUT_FILENO);
    dup2(m_file.handle(), STDOUT_FILENO);
}

QStringList StdoutCapture::finish()
{
    if (m_saved >= 0) {
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    m_file.seek(0);
    return QString::fromUtf8(m_file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
