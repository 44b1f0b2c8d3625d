#include "ClipboardOwner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>

std::unique_ptr<ClipboardOwner> ClipboardOwner::xclip(const QByteArray &data, const QString &target)
{
    auto owner = std::make_unique<ClipboardOwner>();
    QTemporaryFile file(QDir::temp().filePath("quillbox-clip-XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open() || file.write(data) != data.size())
        qFatal("cannot write the clipboard data file");
    owner->m_dataFile = file.fileName();
    file.close();
    owner->m_process.start("xclip", {"-quiet", "-selection", "clipboard", "-t", target, "-i", owner->m_dataFile});
    if (!owner->m_process.waitForStarted())
        qFatal("cannot start xclip");
    // xclip owns the selection once it has read its input; it prints nothing, so give it a moment.
    QTest::qWait(100);
    return owner;
}

std::unique_ptr<ClipboardOwner> ClipboardOwner::helper(const QStringList &formats, bool stall)
{
    auto owner = std::make_unique<ClipboardOwner>();
    QStringList arguments = formats;
    if (stall)
        arguments.prepend("--stall");
    owner->m_process.start(QCoreApplication::applicationDirPath() + "/clip-owner", arguments);
    if (!owner->m_process.waitForStarted() || !owner->m_process.waitForReadyRead(5000))
        qFatal("clip-owner did not take the clipboard");
    return owner;
}

ClipboardOwner::~ClipboardOwner()
{
    if (m_process.state() != QProcess::NotRunning) {
        ::kill(pid_t(m_process.processId()), SIGCONT);
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    if (!m_dataFile.isEmpty())
        QFile::remove(m_dataFile);
}
