#include "SpillFile.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTimeZone>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Readable at the head of the file, for whoever finds it.
constexpr char magic[] = "Quillbox unsaved changes\n";
constexpr quint32 formatVersion = 1;
constexpr QDataStream::Version streamVersion = QDataStream::Qt_6_0;

QByteArray encode(const StoreWriter::Change &change)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << quint8(change.kind) << change.table << change.id << quint32(change.columns.size());
    for (const auto &[name, value] : change.columns)
        out << name << value;
    return bytes;
}

std::optional<StoreWriter::Change> decode(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(streamVersion);
    quint8 kind = 0;
    quint32 count = 0;
    StoreWriter::Change change;
    in >> kind >> change.table >> change.id >> count;
    if (in.status() != QDataStream::Ok || kind > quint8(StoreWriter::Change::Kind::remove))
        return std::nullopt;
    change.kind = StoreWriter::Change::Kind(kind);
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString name;
        QVariant value;
        in >> name >> value;
        change.columns.append({name, value});
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return change;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray checksum(const QByteArray &payload)
{
    return QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
}

} // namespace

qsizetype SpillFile::sizeOf(const StoreWriter::Change &change)
{
    return encode(change).size();
}

std::optional<QString> SpillFile::write(const QString &path, const Contents &contents)
{
    QList<QByteArray> changes;
    changes.reserve(contents.changes.size());
    for (const auto &change : contents.changes)
        changes.append(encode(change));
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(streamVersion);
        out << contents.storePath << contents.writtenAt.toMSecsSinceEpoch() << changes;
    }

    // A half-written file never takes the place of a whole one: the new one is renamed over it.
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return file.errorString();
    QDataStream out(&file);
    out.setVersion(streamVersion);
    out.writeRawData(magic, int(sizeof(magic) - 1));
    out << formatVersion << payload << checksum(payload);
    const bool written = out.status() == QDataStream::Ok && file.flush() && ::fsync(file.handle()) == 0;
    const QString error = file.error() != QFileDevice::NoError ? file.errorString() : systemError();
    file.close();
    if (!written) {
        QFile::remove(partial);
        return error;
    }
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = systemError();
        QFile::remove(partial);
        return reason;
    }
    // The new name lasts through a power cut only once the folder is on the disk too.
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

std::variant<SpillFile::Contents, QString> SpillFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QDataStream in(&file);
    in.setVersion(streamVersion);
    QByteArray head(int(sizeof(magic) - 1), '\0');
    if (in.readRawData(head.data(), int(head.size())) != head.size() || head != QByteArray(magic))
        return QStringLiteral("it is not a file of unsaved changes");
    quint32 version = 0;
    QByteArray payload;
    QByteArray sum;
    in >> version;
    if (version != formatVersion)
        return QStringLiteral("it was written by another version of Quillbox (format %1)").arg(version);
    in >> payload >> sum;
    if (in.status() != QDataStream::Ok || !in.atEnd() || sum != checksum(payload))
        return QStringLiteral("it is damaged");

    Contents contents;
    qint64 writtenAt = 0;
    QList<QByteArray> changes;
    QDataStream fields(payload);
    fields.setVersion(streamVersion);
    fields >> contents.storePath >> writtenAt >> changes;
    if (fields.status() != QDataStream::Ok || !fields.atEnd())
        return QStringLiteral("it is damaged");
    contents.writtenAt = QDateTime::fromMSecsSinceEpoch(writtenAt, QTimeZone::utc());
    for (const QByteArray &bytes : std::as_const(changes)) {
        auto change = decode(bytes);
        if (!change)
            return QStringLiteral("it is damaged");
        contents.changes.append(std::move(*change));
    }
    return contents;
}
