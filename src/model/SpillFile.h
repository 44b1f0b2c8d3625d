#pragma once

#include "StoreWriter.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

/// A file of changes a store could not take in, as `ModelContext::unsavedChanges` gives them. It names
/// its store and carries a checksum, so a damaged or foreign file is refused whole, never applied in
/// part.
class SpillFile {
public:
    struct Contents {
        QString storePath;
        QDateTime writtenAt;
        QList<StoreWriter::Change> changes;
    };

    /// Writes `contents` to `path` in one step (a new file, mode 0600, renamed over the old one) and
    /// flushes it to the disk. The reason when that fails; nothing is left behind then.
    static std::optional<QString> write(const QString &path, const Contents &contents);
    /// What the file holds, or why it cannot be read.
    static std::variant<Contents, QString> read(const QString &path);
    /// How many bytes `change` takes in a file.
    static qsizetype sizeOf(const StoreWriter::Change &change);
};
