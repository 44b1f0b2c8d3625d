#include "StoredImageReader.h"

#include <QAtomicInteger>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <map>

namespace {

Q_LOGGING_CATEGORY(lcImageReader, "quillbox.store.images", QtInfoMsg)

// One read-only connection per thread and store file, closed when the thread ends.
class ThreadConnections {
public:
    ~ThreadConnections()
    {
        for (const auto &[path, name] : m_names) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }

    QSqlDatabase database(const QString &path)
    {
        auto found = m_names.find(path);
        if (found != m_names.end())
            return QSqlDatabase::database(found->second);
        static QAtomicInteger<quint64> nextConnection;
        const QString name = QStringLiteral("quillbox-images-%1").arg(nextConnection.fetchAndAddRelaxed(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=200"));
        if (!db.open())
            qCDebug(lcImageReader) << "cannot open the store for images:" << db.lastError().text();
        m_names.emplace(path, name);
        return db;
    }

private:
    std::map<QString, QString> m_names;
};

thread_local ThreadConnections threadConnections;

} // namespace

StoredImageReader::StoredImageReader(const QString &storePath)
    : m_storePath(storePath)
{
}

std::optional<QByteArray> StoredImageReader::imageData(const QUuid &id) const
{
    QSqlDatabase db = threadConnections.database(m_storePath);
    if (!db.isOpen())
        return std::nullopt;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT imageData FROM ClipboardItem WHERE id = ?"));
    // Ids are stored as upper-case canonical text without braces.
    query.addBindValue(id.toString(QUuid::WithoutBraces).toUpper());
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toByteArray();
}
