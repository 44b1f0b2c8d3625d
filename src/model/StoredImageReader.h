#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>

/// Reads an item's stored image bytes from the store file on any thread, each thread through a
/// read-only connection of its own, so that neither the GUI thread nor the store's main connection
/// waits on the read.
class StoredImageReader {
public:
    explicit StoredImageReader(const QString &storePath);

    /// Nothing when the file cannot be read, the item has no row yet, or it holds no image.
    std::optional<QByteArray> imageData(const QUuid &id) const;

private:
    QString m_storePath;
};
