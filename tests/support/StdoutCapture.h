#pragma once

#include <QStringList>
#include <QTemporaryFile>

/// Collects what is printed to standard output until finish().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture() { finish(); }
    /// The lines printed so far; standard output is restored.
    QStringList finish();

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};
