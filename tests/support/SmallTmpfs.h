#pragma once

#include <QString>
#include <QTemporaryDir>

/// A small tmpfs of the test's own, to fill up and free again: a file system that is really full.
/// Mounting needs root; elsewhere `isMounted` is false and `problem` says why.
class SmallTmpfs {
public:
    explicit SmallTmpfs(qint64 bytes = 2 * 1024 * 1024);
    /// Unmounts, whatever is still open on it.
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool isMounted() const { return m_mounted; }
    const QString &problem() const { return m_problem; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    /// Takes up every free byte with a file; false when it cannot.
    bool fill();
    /// Removes that file.
    void free();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_problem;
};
