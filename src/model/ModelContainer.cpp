#include "ModelContainer.h"

#include "ExactText.h"
#include "ImageDigestBackfill.h"
#include "ModelContext.h"
#include "SqliteHandle.h"

#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimeZone>
#include <QUrl>

#include <atomic>
#include <filesystem>
#include <future>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStore, "quillbox.store", QtInfoMsg)

namespace {

constexpr int schemaVersion = 2;

// A new store gets the current schema at once; an older one takes the steps after its version.
const char *const schema[] = {
    // imageData comes last: SQLite stores a row's columns in order, and a column after a large blob
    // can only be read by walking the blob's overflow pages, which made loading the list slow.
    "CREATE TABLE ClipboardItem (id TEXT NOT NULL, content TEXT NOT NULL, type TEXT NOT NULL, "
    "sourceAppName TEXT, sourceAppBundleId TEXT, isPinned INTEGER NOT NULL, createdAt REAL NOT NULL, "
    "characterCount INTEGER NOT NULL, categoryId TEXT, imageDigest BLOB, imageData BLOB)",
    "CREATE TABLE ClipCategory (id TEXT NOT NULL, name TEXT NOT NULL, colorHex TEXT NOT NULL, icon TEXT NOT NULL, "
    "sortOrder INTEGER NOT NULL, isDefault INTEGER NOT NULL, createdAt REAL NOT NULL)",
    "CREATE TABLE PasteTemplate (id TEXT NOT NULL, name TEXT NOT NULL, separator TEXT NOT NULL, "
    "itemPrefix TEXT NOT NULL, itemSuffix TEXT NOT NULL, wrapPrefix TEXT NOT NULL, wrapSuffix TEXT NOT NULL, "
    "sortOrder INTEGER NOT NULL, isDefault INTEGER NOT NULL)",
};

// upgrades[n] takes a store from version n + 1 to n + 2. Each step must be cheap: it runs before the
// first window shows.
const char *const upgrades[] = {
    // Appended after imageData, so the list load leaves it to the digest backfill (see load()).
    "ALTER TABLE ClipboardItem ADD COLUMN imageDigest BLOB",
};
static_assert(std::size(upgrades) == schemaVersion - 1);

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// Qt binds a null QString as NULL; a text field is never NULL, only empty.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant optionalText(const std::optional<QString> &value)
{
    return value ? text(*value) : QVariant();
}

QVariant optionalUuid(const std::optional<QUuid> &id)
{
    return id ? QVariant(uuidText(*id)) : QVariant();
}

double unixSeconds(const QDateTime &time)
{
    return double(time.toMSecsSinceEpoch()) / 1000.0;
}

// UTC as the QDateTime keeps it inline: with the QTimeZone that QTimeZone::utc() makes (Qt 6.4), every
// record's time took a heap block of its own, some 200 bytes an item of a long history.
QDateTime fromUnixSeconds(double seconds)
{
    const qint64 msecs = qRound64(seconds * 1000.0);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone(QTimeZone::UTC));
#else
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
#endif
}

// Text columns are read as their UTF-8 bytes: SQLite's own conversion to UTF-16 turns U+FFFE and U+FFFF
// into U+FFFD.
QString storedText(const QVariant &utf8)
{
    return exactTextFromUtf8(utf8.toByteArray());
}

std::optional<QString> textOrNothing(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional(storedText(value));
}

std::optional<QUuid> uuidOrNothing(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional(QUuid::fromString(value.toString()));
}

QString tableName(RecordType type)
{
    switch (type) {
    case RecordType::clipboardItem:
        return QStringLiteral("ClipboardItem");
    case RecordType::clipCategory:
        return QStringLiteral("ClipCategory");
    case RecordType::pasteTemplate:
        return QStringLiteral("PasteTemplate");
    }
    Q_UNREACHABLE();
    return {};
}

// Why a path whose file has this mode cannot be the store; empty for a regular file.
QString fileKindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    const QString kind = S_ISDIR(mode)   ? QStringLiteral("a folder")
        : S_ISFIFO(mode)                 ? QStringLiteral("a named pipe (FIFO)")
        : S_ISSOCK(mode)                 ? QStringLiteral("a socket")
        : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("a device")
                                         : QStringLiteral("something other than a file");
    return QStringLiteral("it is %1, not a file").arg(kind);
}

// Looked at before anything opens the path: opening a named pipe blocks until a writer comes, and a
// device may act on being opened.
QString pathProblem(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {}; // nothing there yet, or nothing reachable: opening it says which
    return fileKindProblem(info.st_mode);
}

// Creates the file readable by its owner only before SQLite opens it; SQLite gives its -wal and
// -shm files the same mode. O_NONBLOCK: should a named pipe take the file's place after the check,
// the open fails instead of waiting for a reader.
bool createPrivateFile(const QString &path, QString *error)
{
    const QByteArray nativePath = QFile::encodeName(path);
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = errno == EISDIR
            ? fileKindProblem(S_IFDIR)
            : QStringLiteral("it cannot be opened for writing (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat info = {};
    *error = ::fstat(fd, &info) == 0 ? fileKindProblem(info.st_mode) : QString();
    if (error->isEmpty())
        ::fchmod(fd, 0600);
    ::close(fd);
    return error->isEmpty();
}

// SQLite's primary result code of a failed statement.
int sqliteResultCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

} // namespace

// Column names and values of a record, in declaration order. Stored image bytes that are not in
// memory are left out, so an update keeps them.
QList<std::pair<QString, QVariant>> ModelContainer::columns(const StoredRecord &record)
{
    QList<std::pair<QString, QVariant>> values{{QStringLiteral("id"), uuidText(record.id())}};
    switch (record.recordType()) {
    case RecordType::clipboardItem: {
        const auto &item = static_cast<const ClipboardItem &>(record);
        values.append(
            {{QStringLiteral("content"), text(item.content())}, {QStringLiteral("type"), rawValue(item.type())}});
        const auto &resident = item.residentImageData();
        // Bytes that go in with their digest. A digest the record does not know yet is left as
        // stored: the backfill may have written it meanwhile.
        const bool writesImageData = !item.hasImageData() || resident;
        if (writesImageData || item.imageDigest()) {
            values.append(
                {QStringLiteral("imageDigest"), item.imageDigest() ? QVariant(*item.imageDigest()) : QVariant()});
        }
        if (writesImageData)
            values.append({QStringLiteral("imageData"), resident ? QVariant(*resident) : QVariant()});
        values.append({{QStringLiteral("sourceAppName"), optionalText(item.sourceAppName())},
            {QStringLiteral("sourceAppBundleId"), optionalText(item.sourceAppBundleId())},
            {QStringLiteral("isPinned"), int(item.isPinned())},
            {QStringLiteral("createdAt"), unixSeconds(item.createdAt())},
            {QStringLiteral("characterCount"), item.characterCount()},
            {QStringLiteral("categoryId"), optionalUuid(item.categoryId())}});
        break;
    }
    case RecordType::clipCategory: {
        const auto &category = static_cast<const ClipCategory &>(record);
        values.append(
            {{QStringLiteral("name"), text(category.name())}, {QStringLiteral("colorHex"), text(category.colorHex())},
                {QStringLiteral("icon"), text(category.icon())}, {QStringLiteral("sortOrder"), category.sortOrder()},
                {QStringLiteral("isDefault"), int(category.isDefault())},
                {QStringLiteral("createdAt"), unixSeconds(category.createdAt())}});
        break;
    }
    case RecordType::pasteTemplate: {
        const auto &pasteTemplate = static_cast<const PasteTemplate &>(record);
        values.append({{QStringLiteral("name"), text(pasteTemplate.name())},
            {QStringLiteral("separator"), text(pasteTemplate.separator())},
            {QStringLiteral("itemPrefix"), text(pasteTemplate.itemPrefix())},
            {QStringLiteral("itemSuffix"), text(pasteTemplate.itemSuffix())},
            {QStringLiteral("wrapPrefix"), text(pasteTemplate.wrapPrefix())},
            {QStringLiteral("wrapSuffix"), text(pasteTemplate.wrapSuffix())},
            {QStringLiteral("sortOrder"), pasteTemplate.sortOrder()},
            {QStringLiteral("isDefault"), int(pasteTemplate.isDefault())}});
        break;
    }
    }
    return values;
}

std::shared_ptr<StoredRecord> ModelContainer::record(
    RecordType type, const QList<std::pair<QString, QVariant>> &columns)
{
    QHash<QString, QVariant> values;
    for (const auto &[name, value] : columns)
        values.insert(name, value);
    const auto value = [&](const char *name) { return values.value(QLatin1String(name)); };
    const auto has = [&](std::initializer_list<const char *> names) {
        return std::all_of(
            names.begin(), names.end(), [&](const char *name) { return values.contains(QLatin1String(name)); });
    };
    const QUuid id = QUuid::fromString(value("id").toString());
    if (id.isNull())
        return nullptr;
    switch (type) {
    case RecordType::clipboardItem: {
        const auto itemType = clipboardItemTypeFromRawValue(value("type").toString());
        if (!itemType
            || !has({"content", "sourceAppName", "sourceAppBundleId", "isPinned", "createdAt", "characterCount",
                "categoryId"}))
            return nullptr;
        const QVariant bytes = value("imageData");
        const QVariant digest = value("imageDigest");
        auto item = std::shared_ptr<ClipboardItem>(
            new ClipboardItem(ClipboardItem::Stored{id, ItemText(value("content").toString()), *itemType,
                !bytes.isNull(), digest.isNull() ? std::nullopt : std::optional(digest.toByteArray()),
                ClipboardItem::source(textOrNothing(value("sourceAppName")), textOrNothing(value("sourceAppBundleId"))),
                value("isPinned").toBool(), fromUnixSeconds(value("createdAt").toDouble()),
                value("characterCount").toInt(), uuidOrNothing(value("categoryId"))}));
        if (!bytes.isNull())
            item->imageState().resident = bytes.toByteArray();
        return item;
    }
    case RecordType::clipCategory:
        if (!has({"name", "colorHex", "icon", "sortOrder", "isDefault", "createdAt"}))
            return nullptr;
        return std::shared_ptr<ClipCategory>(new ClipCategory(ClipCategory::Stored{id, value("name").toString(),
            value("colorHex").toString(), value("icon").toString(), value("sortOrder").toInt(),
            value("isDefault").toBool(), fromUnixSeconds(value("createdAt").toDouble())}));
    case RecordType::pasteTemplate:
        if (!has({"name", "separator", "itemPrefix", "itemSuffix", "wrapPrefix", "wrapSuffix", "sortOrder",
                "isDefault"}))
            return nullptr;
        return std::shared_ptr<PasteTemplate>(new PasteTemplate(PasteTemplate::Stored{id,
            {value("name").toString(), value("separator").toString(), value("itemPrefix").toString(),
                value("itemSuffix").toString(), value("wrapPrefix").toString(), value("wrapSuffix").toString()},
            value("sortOrder").toInt(), value("isDefault").toBool()}));
    }
    return nullptr;
}

std::optional<RecordType> ModelContainer::recordType(const QString &table)
{
    for (const RecordType type : {RecordType::clipboardItem, RecordType::clipCategory, RecordType::pasteTemplate}) {
        if (tableName(type) == table)
            return type;
    }
    return std::nullopt;
}

QString ModelContainer::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Quillbox/Quillbox.sqlite");
}

ModelContainer::ModelContainer(const QString &path, Clock &clock)
    : m_path(path)
    , m_connectionName(QStringLiteral("quillbox-store-%1").arg(quintptr(this)))
{
    m_mainContext = std::make_unique<ModelContext>(*this, clock);
}

ModelContainer::~ModelContainer()
{
    if (m_writer)
        m_mainContext->waitForSaves();
    m_writer.reset();
    m_imageDigestBackfill.reset();
    m_mainContext.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<ModelContainer> ModelContainer::open(const QString &path, QString *error, Clock &clock)
{
    return open(path, read(path), error, clock);
}

namespace {

// A row's two source columns as stored, to find the source made for them already.
struct SourceColumns {
    std::optional<QByteArray> name;
    std::optional<QByteArray> bundleId;
    bool operator==(const SourceColumns &other) const = default;
};

size_t qHash(const SourceColumns &columns, size_t seed = 0)
{
    return qHashMulti(seed, columns.name.value_or(QByteArray()), columns.name.has_value(),
        columns.bundleId.value_or(QByteArray()), columns.bundleId.has_value());
}

QString readingConnectionName()
{
    static std::atomic<int> reads;
    return QStringLiteral("quillbox-store-read-%1").arg(reads++);
}

// Rows are read once, in order, and SQLite's page cache would be freed among the records that stay:
// pages are read from the mapped file instead, unmapped when the connection closes.
void readFromMappedFile(const QString &connection)
{
    QSqlQuery pragmas(QSqlDatabase::database(connection));
    pragmas.exec(QStringLiteral("PRAGMA mmap_size=%1").arg(qint64(1) << 40));
    pragmas.exec(QStringLiteral("PRAGMA cache_size=16"));
}

// The rowid that halves the stored items' range when it is long enough to be read in two halves;
// nothing for a shorter one. The program reads its store while Qt starts, on the core Qt leaves idle:
// one thread reads some 20,000 items in that time, and a second one would take the core Qt needs.
std::optional<qint64> middleRowid(const QString &connection)
{
    constexpr qint64 rowsReadInOnePiece = 20000;
    QSqlQuery query(QSqlDatabase::database(connection));
    if (!query.exec(QStringLiteral("SELECT min(rowid), max(rowid) FROM ClipboardItem")) || !query.next()
        || query.value(0).isNull())
        return std::nullopt;
    const qint64 first = query.value(0).toLongLong();
    const qint64 last = query.value(1).toLongLong();
    if (last / 2 - first / 2 < rowsReadInOnePiece / 2)
        return std::nullopt;
    return first / 2 + last / 2;
}

// Said once for a whole read, which may come in parts.
void reportUnknownItems(int skipped)
{
    if (skipped > 0)
        qCWarning(lcStore) << "skipped" << skipped << (skipped == 1 ? "stored item" : "stored items")
                           << "of an unknown type";
}

void closeConnection(const QString &connection)
{
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

ModelContainer::Contents ModelContainer::read(const QString &path)
{
    const QString connection = readingConnectionName();
    Contents contents;
    if (setUp(path, connection, &contents.error)) {
        readFromMappedFile(connection);
        // Each stored item costs microseconds to make: a very long history is read in two halves at
        // once, the later one on a thread of its own.
        const std::optional<qint64> middle = middleRowid(connection);
        std::future<Contents> later;
        int skipped = 0;
        int laterSkipped = 0;
        if (middle) {
            later = std::async(std::launch::async, [path, middle, &laterSkipped] {
                return readItems(path, {middle, {}}, &laterSkipped);
            });
        }
        contents.records = load(connection, &contents.error, &skipped, {{}, middle});
        if (later.valid()) {
            Contents laterItems = later.get();
            skipped += laterSkipped;
            if (!laterItems.records)
                contents = std::move(laterItems);
            else if (contents.records)
                contents.records->append(std::move(*laterItems.records));
        }
        if (contents.records)
            reportUnknownItems(skipped);
    }
    closeConnection(connection);
    return contents;
}

ModelContainer::Contents ModelContainer::readItems(const QString &path, const RowRange &items, int *skipped)
{
    const QString connection = readingConnectionName();
    Contents contents;
    int version = 0;
    if (connect(path, connection, Access::readOnly, &version, &contents.error)) {
        readFromMappedFile(connection);
        contents.records = load(connection, &contents.error, skipped, items);
    }
    closeConnection(connection);
    return contents;
}

std::unique_ptr<ModelContainer> ModelContainer::open(
    const QString &path, Contents contents, QString *error, Clock &clock)
{
    if (!contents.records) {
        *error = contents.error;
        return nullptr;
    }
    std::unique_ptr<ModelContainer> container(new ModelContainer(path, clock));
    int version = 0;
    if (!connect(path, container->m_connectionName, Access::readWrite, &version, error))
        return nullptr;
    // The lock keeps other writers out, but not a person replacing the file in between.
    if (version != schemaVersion) {
        *error = QStringLiteral("it was replaced while it was being read");
        return nullptr;
    }
    container->m_mainContext->attachStored(std::move(*contents.records));
    contents.records.reset();
    container->m_writer = std::make_unique<StoreWriter>(path);
    QObject::connect(container->m_writer.get(), &StoreWriter::resultsReady, container->m_mainContext.get(),
        &ModelContext::takeWriterResults);
    container->startImageDigestBackfill();
    return container;
}

std::unique_ptr<ModelContainer> ModelContainer::openForReading(const QString &path, QString *error)
{
    std::unique_ptr<ModelContainer> container(new ModelContainer(path, Clock::system()));
    if (const QString problem = pathProblem(path); !problem.isEmpty()) {
        *error = problem;
        return nullptr;
    }
    int version = 0;
    if (!connect(path, container->m_connectionName, Access::readOnly, &version, error))
        return nullptr;
    if (version > 0) {
        int skipped = 0;
        auto records = load(container->m_connectionName, error, &skipped);
        if (!records)
            return nullptr;
        reportUnknownItems(skipped);
        container->m_mainContext->attachStored(std::move(*records));
    }
    return container;
}

void ModelContainer::startImageDigestBackfill()
{
    FetchDescriptor<ClipboardItem> withoutDigest;
    withoutDigest.predicate = [](const ClipboardItem &item) { return item.hasImageData() && !item.imageDigest(); };
    QList<QUuid> ids;
    for (const auto &item : m_mainContext->fetch(withoutDigest))
        ids.append(item->id());
    if (ids.isEmpty())
        return;
    m_imageDigestBackfill = std::make_unique<ImageDigestBackfill>(m_path, std::move(ids));
    ModelContext *context = m_mainContext.get();
    QObject::connect(
        m_imageDigestBackfill.get(), &ImageDigestBackfill::digestFound, context, &ModelContext::adoptImageDigest);
    QObject::connect(
        m_imageDigestBackfill.get(), &ImageDigestBackfill::finished, context, &ModelContext::imageDigestsBackfilled);
    m_imageDigestBackfill->start();
}

bool ModelContainer::setUp(const QString &path, const QString &connection, QString *error)
{
    if (const QString problem = pathProblem(path); !problem.isEmpty()) {
        *error = problem;
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    std::error_code folderError;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), folderError);
    if (folderError) {
        *error = QStringLiteral("its folder %1 cannot be created (%2)")
                     .arg(folder, QString::fromStdString(folderError.message()));
        return false;
    }
    int version = 0;
    if (!createPrivateFile(path, error) || !connect(path, connection, Access::readWrite, &version, error))
        return false;

    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    const auto run = [&](const QString &statement) {
        if (query.exec(statement))
            return true;
        *error = QStringLiteral("SQLite cannot use it (%1)").arg(query.lastError().databaseText());
        return false;
    };
    if (!run(QStringLiteral("PRAGMA journal_mode=WAL")) || !run(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return false;
    if (version < schemaVersion) {
        if (!db.transaction()) {
            *error = QStringLiteral("SQLite cannot use it (%1)").arg(db.lastError().databaseText());
            return false;
        }
        QList<const char *> statements;
        if (version == 0)
            statements = QList<const char *>(std::begin(schema), std::end(schema));
        else
            statements = QList<const char *>(std::begin(upgrades) + version - 1, std::end(upgrades));
        for (const char *statement : std::as_const(statements)) {
            if (!run(QString::fromLatin1(statement))) {
                db.rollback();
                return false;
            }
        }
        if (!run(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion)) || !db.commit()) {
            db.rollback();
            return false;
        }
    }
    // Readers outside the main context (image thumbnails) look items up by id. An index is no change
    // of the schema's meaning, so stores from before it get one too.
    return run(QStringLiteral("CREATE INDEX IF NOT EXISTS ClipboardItemById ON ClipboardItem(id)"));
}

bool ModelContainer::connect(
    const QString &path, const QString &connection, Access access, int *version, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    // A second process on the same file must not stall the GUI thread for long.
    // It only reads once the store is open (image bytes on demand): writes go through the writer.
    const QString busyTimeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=200");
    db.setConnectOptions(
        access == Access::readOnly ? busyTimeout + QStringLiteral(";QSQLITE_OPEN_READONLY") : busyTimeout);
    if (!db.open()) {
        *error = QStringLiteral("SQLite cannot open it (%1)").arg(db.lastError().databaseText());
        return false;
    }

    QSqlQuery query(db);
    // The first statement that reads the file also tells whether it is a database at all.
    bool read = query.exec(QStringLiteral("PRAGMA user_version")) && query.next();
    const int code = read ? 0 : sqliteResultCode(query.lastError());
    if (!read && access == Access::readOnly && (code == 8 || code == 14)) {
        // SQLITE_READONLY or SQLITE_CANTOPEN: reading a WAL store takes its -shm file, which this
        // user cannot make beside it. No program can be writing it then (a writer needs that file
        // too), so the file is read as it stands.
        query.finish();
        db.close();
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        query = QSqlQuery(db);
        read = db.open() && query.exec(QStringLiteral("PRAGMA user_version")) && query.next();
    }
    if (!read) {
        const QSqlError failure = query.lastError();
        *error = sqliteResultCode(failure) == 26
            ? QStringLiteral("it is not a Quillbox store: damaged, or another kind of file")
            : QStringLiteral("it cannot be read (%1)").arg(failure.databaseText());
        return false;
    }
    *version = query.value(0).toInt();
    if (*version > schemaVersion) {
        *error = QStringLiteral("it was written by a newer version of Quillbox (store version %1)").arg(*version);
        return false;
    }
    // Version 0 is a file this program has not set up: an empty one is made a store, one with
    // tables belongs to another program.
    if (*version == 0 && query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && query.next()
        && query.value(0).toInt() > 0) {
        *error = QStringLiteral("it is not a Quillbox store: it holds another program's tables");
        return false;
    }
    return true;
}

std::optional<QList<std::shared_ptr<StoredRecord>>> ModelContainer::load(
    const QString &connection, QString *error, int *skipped, const RowRange &items)
{
    QList<std::shared_ptr<StoredRecord>> records;
    QSqlQuery query(QSqlDatabase::database(connection));
    query.setForwardOnly(true);

    // In a store that was upgraded, imageDigest sits after imageData, where reading it would walk
    // every image's overflow pages; the backfill reads those digests after start-up instead.
    if (!query.exec(QStringLiteral("SELECT name FROM pragma_table_info('ClipboardItem') ORDER BY cid"))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    QStringList columnNames;
    while (query.next())
        columnNames.append(query.value(0).toString());
    // A store read without its upgrade has no digest column at all.
    const qsizetype digestColumn = columnNames.indexOf(QStringLiteral("imageDigest"));
    const bool digestBeforeBytes = digestColumn >= 0 && digestColumn < columnNames.indexOf(QStringLiteral("imageData"));

    QStringList bounds;
    if (items.after)
        bounds.append(QStringLiteral("rowid > %1").arg(*items.after));
    if (items.upTo)
        bounds.append(QStringLiteral("rowid <= %1").arg(*items.upTo));
    const QString where
        = bounds.isEmpty() ? QString() : QStringLiteral(" WHERE ") + bounds.join(QStringLiteral(" AND "));
    // The items are read through SQLite's own interface, each column from SQLite's memory: through
    // QSqlQuery every value of every row is copied into a QVariant first.
    // typeof() reads only the row header; "imageData IS NOT NULL" would load every image.
    sqlite3 *handle = sqliteHandle(QSqlDatabase::database(connection));
    if (!handle) {
        *error = QStringLiteral("the store's connection is not SQLite's");
        return std::nullopt;
    }
    const QByteArray sql = QStringLiteral("SELECT id, content, type, typeof(imageData) = 'blob', %1, sourceAppName, "
                                          "sourceAppBundleId, isPinned, createdAt, characterCount, categoryId "
                                          "FROM ClipboardItem%2 ORDER BY rowid")
                               .arg(digestBeforeBytes ? QStringLiteral("imageDigest") : QStringLiteral("NULL"), where)
                               .toUtf8();
    sqlite3_stmt *row = nullptr;
    const auto failure
        = [handle] { return QStringLiteral("it cannot be read (%1)").arg(QString::fromUtf8(sqlite3_errmsg(handle))); };
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &row, nullptr) != SQLITE_OK) {
        *error = failure();
        return std::nullopt;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> finalize(row, sqlite3_finalize);
    // Text comes as its bytes (sqlite3_column_blob does not convert): no UTF-16 copy of every id and
    // type made only to be parsed, and U+FFFE and U+FFFF as stored (see storedText).
    const auto bytes = [row](int column) {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(row, column));
        return QByteArrayView(data, sqlite3_column_bytes(row, column));
    };
    const auto isNull = [row](int column) { return sqlite3_column_type(row, column) == SQLITE_NULL; };
    // A history names few programs: each one's source is made once and shared by its items.
    QHash<SourceColumns, std::shared_ptr<const ClipboardItem::Source>> sources;
    const auto source = [&](int nameColumn, int bundleIdColumn) -> std::shared_ptr<const ClipboardItem::Source> {
        if (isNull(nameColumn) && isNull(bundleIdColumn))
            return ClipboardItem::source(std::nullopt, std::nullopt);
        const auto column = [&](int index) {
            const QByteArrayView utf8 = bytes(index);
            return isNull(index) ? std::nullopt : std::optional(QByteArray::fromRawData(utf8.data(), utf8.size()));
        };
        const SourceColumns found{column(nameColumn), column(bundleIdColumn)};
        auto it = sources.constFind(found);
        if (it == sources.constEnd()) {
            const auto text = [](const std::optional<QByteArray> &utf8) {
                return utf8 ? std::optional(exactTextFromUtf8(*utf8)) : std::nullopt;
            };
            // The key keeps bytes of its own: the row's are SQLite's until the next step.
            const auto owned = [](const std::optional<QByteArray> &utf8) {
                return utf8 ? std::optional(QByteArray(utf8->constData(), utf8->size())) : std::nullopt;
            };
            it = sources.insert(SourceColumns{owned(found.name), owned(found.bundleId)},
                ClipboardItem::source(text(found.name), text(found.bundleId)));
        }
        return *it;
    };
    const auto uuid = [&](int column) { return QUuid::fromString(QUtf8StringView(bytes(column))); };
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(row)) == SQLITE_ROW) {
        // A row of a type this version does not know stays in the file, untouched, and is not loaded.
        const auto type = clipboardItemTypeFromRawValue(QUtf8StringView(bytes(2)));
        if (!type || isNull(1)) {
            ++*skipped;
            continue;
        }
        const QByteArrayView digest = bytes(4);
        records.append(std::make_shared<ClipboardItem>(
            ClipboardItem::Stored{uuid(0), ItemText::fromUtf8(bytes(1).toByteArray()), *type,
                sqlite3_column_int(row, 3) != 0, digest.isEmpty() ? std::nullopt : std::optional(digest.toByteArray()),
                source(5, 6), sqlite3_column_int(row, 7) != 0, fromUnixSeconds(sqlite3_column_double(row, 8)),
                sqlite3_column_int(row, 9), isNull(10) ? std::nullopt : std::optional(uuid(10))}));
    }
    // A read that stops part way (a damaged page, an I/O error) is not a history that ends there.
    if (step != SQLITE_DONE) {
        *error = failure();
        return std::nullopt;
    }
    if (items.after)
        return records;

    if (!query.exec(QStringLiteral("SELECT id, CAST(name AS BLOB), colorHex, icon, sortOrder, isDefault, createdAt "
                                   "FROM ClipCategory ORDER BY rowid"))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    while (query.next()) {
        auto category = std::shared_ptr<ClipCategory>(
            new ClipCategory(ClipCategory::Stored{QUuid::fromString(query.value(0).toString()),
                storedText(query.value(1)), query.value(2).toString(), query.value(3).toString(),
                query.value(4).toInt(), query.value(5).toBool(), fromUnixSeconds(query.value(6).toDouble())}));
        records.append(std::move(category));
    }

    if (!query.exec(QStringLiteral("SELECT id, CAST(name AS BLOB), CAST(separator AS BLOB), CAST(itemPrefix AS BLOB), "
                                   "CAST(itemSuffix AS BLOB), CAST(wrapPrefix AS BLOB), CAST(wrapSuffix AS BLOB), "
                                   "sortOrder, isDefault FROM PasteTemplate ORDER BY rowid"))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    while (query.next()) {
        auto pasteTemplate = std::shared_ptr<PasteTemplate>(
            new PasteTemplate(PasteTemplate::Stored{QUuid::fromString(query.value(0).toString()),
                {storedText(query.value(1)), storedText(query.value(2)), storedText(query.value(3)),
                    storedText(query.value(4)), storedText(query.value(5)), storedText(query.value(6))},
                query.value(7).toInt(), query.value(8).toBool()}));
        records.append(std::move(pasteTemplate));
    }
    return records;
}

StoreWriter::Change ModelContainer::change(StoreWriter::Change::Kind kind, const StoredRecord &record)
{
    StoreWriter::Change change{kind, tableName(record.recordType()), uuidText(record.id()), {}};
    if (kind != StoreWriter::Change::Kind::remove)
        change.columns = columns(record);
    return change;
}

bool ModelContainer::waitForSaves()
{
    return m_mainContext->waitForSaves();
}

std::optional<QByteArray> ModelContainer::readImageData(const QUuid &id) const
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT imageData FROM ClipboardItem WHERE id = ?"));
    query.addBindValue(uuidText(id));
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toByteArray();
}

std::optional<std::pair<qsizetype, QByteArray>> ModelContainer::readImageDataHead(const QUuid &id, int maxBytes) const
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT length(imageData), substr(imageData, 1, ?) FROM ClipboardItem WHERE id = ? "
                                 "AND imageData IS NOT NULL"));
    query.addBindValue(maxBytes);
    query.addBindValue(uuidText(id));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return std::pair(qsizetype(query.value(0).toLongLong()), query.value(1).toByteArray());
}
