#include "Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryFile>

Q_LOGGING_CATEGORY(lcPreferences, "quillbox.preferences", QtInfoMsg)

using namespace Qt::StringLiterals;

// In the order of Key. Keys the settings window writes only when the person changes its control;
// the program itself writes "hasSeenOnboarding" and "AppleKeyboardUIMode".
const std::array<Preferences::Definition, 19> Preferences::definitions = {{
    {Key::maxHistoryCount, "maxHistoryCount"_L1, Type::integer, 500},
    {Key::launchAtLogin, "launchAtLogin"_L1, Type::boolean, false},
    {Key::showSourceApp, "showSourceApp"_L1, Type::boolean, true},
    {Key::playSoundOnCopy, "playSoundOnCopy"_L1, Type::boolean, false},
    {Key::playSoundOnNavigate, "playSoundOnNavigate"_L1, Type::boolean, true},
    {Key::borderColorHex, "borderColorHex"_L1, Type::text, u"#FF8C00"_s},
    {Key::categorySearchKey, "categorySearchKey"_L1, Type::text, u"tab"_s},
    {Key::enableLanguageFix, "enableLanguageFix"_L1, Type::boolean, true},
    {Key::hasSeenOnboarding, "hasSeenOnboarding"_L1, Type::boolean, false},
    // Empty stands for the default combination, which the hotkey code knows.
    {Key::hotkeyCombo, "hotkeyCombo"_L1, Type::bytes, QByteArray()},
    // Full keyboard navigation, written at every launch; Linux desktops do not read it, tools may.
    {Key::keyboardUIMode, "AppleKeyboardUIMode"_L1, Type::integer, 2},
    {Key::terminalPasteChords, "terminalPasteChords"_L1, Type::text, QString()},
    {Key::historyPausedUntil, "historyPausedUntil"_L1, Type::text, QString()},
    // Desktop-entry ids, window classes or app ids, separated by ";". Absent until the defaults are given.
    {Key::neverRecordApplications, "neverRecordApplications"_L1, Type::text, QString()},
    {Key::recordImages, "recordImages"_L1, Type::boolean, true},
    {Key::recordFiles, "recordFiles"_L1, Type::boolean, true},
    {Key::largestItemMegabytes, "largestItemMegabytes"_L1, Type::integer, 256},
    // 0 keeps unpinned items forever.
    {Key::keepUnpinnedDays, "keepUnpinnedDays"_L1, Type::integer, 0},
    {Key::clearHistoryOnQuit, "clearHistoryOnQuit"_L1, Type::boolean, false},
}};

namespace {

std::optional<bool> readBoolean(const QVariant &raw)
{
    switch (raw.typeId()) {
    case QMetaType::Bool:
        return raw.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (raw.toLongLong() == 0 || raw.toLongLong() == 1)
            return raw.toLongLong() == 1;
        return std::nullopt;
    case QMetaType::QString: {
        const QString text = raw.toString().trimmed().toLower();
        if (text == "true"_L1 || text == "1"_L1)
            return true;
        if (text == "false"_L1 || text == "0"_L1)
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<int> readInteger(const QVariant &raw)
{
    if (raw.typeId() == QMetaType::Int)
        return raw.toInt();
    if (raw.typeId() != QMetaType::QString)
        return std::nullopt;
    bool ok = false;
    const int value = raw.toString().trimmed().toInt(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<QString> readText(const QVariant &raw)
{
    if (raw.typeId() == QMetaType::QString)
        return raw.toString();
    // Unquoted commas in an INI value make a list of it.
    if (raw.typeId() == QMetaType::QStringList)
        return raw.toStringList().join(u',');
    return std::nullopt;
}

std::optional<QByteArray> readBytes(const QVariant &raw)
{
    if (raw.typeId() == QMetaType::QByteArray)
        return raw.toByteArray();
    if (raw.typeId() == QMetaType::QString)
        return raw.toString().toUtf8();
    return std::nullopt;
}

QVariant converted(Preferences::Type type, const QVariant &value)
{
    switch (type) {
    case Preferences::Type::boolean:
        return value.toBool();
    case Preferences::Type::integer:
        return value.toInt();
    case Preferences::Type::text:
        return value.toString();
    case Preferences::Type::bytes:
        return value.toByteArray();
    }
    return {};
}

// Why the file at `path` cannot be used; empty when it can, also when it does not exist yet.
QString fileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return u"it is a folder, not a file"_s;
    // Opening a named pipe or a device to read it could wait forever.
    if (!info.isFile())
        return u"it is not a regular file"_s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"it cannot be read: "_s + file.errorString();
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0'))
        return u"it is not a preferences file (INI text)"_s;
    return {};
}

// The line QSettings writes for `name` set to `value`, so that the value reads back as it was set.
QByteArray iniLine(QLatin1StringView name, const QVariant &value)
{
    QTemporaryFile scratch;
    if (!scratch.open())
        return {};
    {
        QSettings settings(scratch.fileName(), QSettings::IniFormat);
        settings.setValue(name, value);
        settings.sync();
    }
    // QSettings replaces the file rather than writing into it: read what is at the name now.
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = name.toString().toLatin1() + '=';
    for (const QByteArray &line : written.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line;
    }
    return {};
}

// `text` with `line` standing for the key `name` of the [General] section: the key's first line
// replaced and its repeats dropped, or the line added at the end of the section, which comes first in
// the file when it is missing. Every other line keeps its bytes, comments included.
QByteArray withLine(const QByteArray &text, QLatin1StringView name, const QByteArray &line)
{
    QList<QByteArray> lines = text.split('\n');
    QList<qsizetype> repeats;
    bool inGeneral = true; // keys before any section header belong to [General]
    bool found = false;
    qsizetype endOfGeneral = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines.at(i).trimmed();
        if (trimmed.startsWith('[')) {
            inGeneral = trimmed == "[General]";
            if (inGeneral)
                endOfGeneral = i + 1;
            continue;
        }
        if (!inGeneral || trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        endOfGeneral = i + 1;
        const qsizetype equals = trimmed.indexOf('=');
        if (equals < 0 || trimmed.left(equals).trimmed() != QByteArrayView(name.data(), name.size()))
            continue;
        if (found)
            repeats.prepend(i);
        else
            lines[i] = line;
        found = true;
    }
    for (const qsizetype i : std::as_const(repeats))
        lines.removeAt(i);
    if (!found) {
        if (endOfGeneral >= 0)
            lines.insert(endOfGeneral, line);
        else if (text.isEmpty())
            lines = {"[General]", line, {}};
        else
            lines = QList<QByteArray>{"[General]", line, {}} + lines;
    }
    return lines.join('\n');
}

} // namespace

const Preferences::Definition &Preferences::definition(Key key)
{
    const Definition &entry = definitions.at(std::size_t(key));
    Q_ASSERT(entry.key == key);
    return entry;
}

Preferences::Preferences(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_problem(fileProblem(path))
{
    if (m_problem.isEmpty())
        read();
}

void Preferences::read()
{
    m_values.clear();
    // Only read: a QSettings that writes puts its own reading of the whole file in place of the
    // person's, comments and layout lost.
    const QSettings file(m_path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        m_problem = file.status() == QSettings::AccessError ? u"it cannot be read"_s
                                                            : u"it is not a preferences file (INI text)"_s;
        return;
    }
    for (const Definition &entry : definitions) {
        const QVariant raw = file.value(entry.name);
        if (raw.isValid())
            m_values.insert(entry.name, raw);
    }
}

void Preferences::write(const Definition &entry, const QVariant &value)
{
    const auto warn = [&](const QString &why) {
        qCWarning(lcPreferences).noquote() << "cannot save" << entry.name << "in" << m_path << u'(' + why + u')';
    };
    if (const QString problem = fileProblem(m_path); !problem.isEmpty())
        return warn(problem);
    QByteArray text;
    if (QFile file(m_path); file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return warn(file.errorString());
        text = file.readAll();
    }
    const QByteArray line = iniLine(entry.name, value);
    if (line.isEmpty())
        return warn(u"no temporary file for its value"_s);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(withLine(text, entry.name, line)) < 0 || !file.commit())
        warn(file.errorString());
}

QString Preferences::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/Quillbox/Quillbox.conf"_s;
}

std::optional<QVariant> Preferences::stored(Key key) const
{
    const Definition &entry = definition(key);
    const QVariant raw = m_values.value(entry.name);
    if (!raw.isValid())
        return std::nullopt;
    const auto wrap = [](const auto &value) { return value ? std::optional(QVariant(*value)) : std::nullopt; };
    switch (entry.type) {
    case Type::boolean:
        return wrap(readBoolean(raw));
    case Type::integer:
        return wrap(readInteger(raw));
    case Type::text:
        return wrap(readText(raw));
    case Type::bytes:
        return wrap(readBytes(raw));
    }
    return std::nullopt;
}

QVariant Preferences::value(Key key) const
{
    return stored(key).value_or(definition(key).defaultValue);
}

void Preferences::setValue(Key key, const QVariant &value)
{
    const Definition &entry = definition(key);
    const QVariant typed = converted(entry.type, value);
    if (stored(key) == typed)
        return;
    const QVariant before = this->value(key);
    if (m_problem.isEmpty())
        write(entry, typed);
    m_values.insert(entry.name, typed);
    if (typed != before)
        emit changed(key);
}

void Preferences::reload()
{
    if (!m_problem.isEmpty())
        return;
    std::array<QVariant, definitions.size()> before;
    for (const Definition &entry : definitions)
        before.at(std::size_t(entry.key)) = value(entry.key);
    read();
    for (const Definition &entry : definitions) {
        if (value(entry.key) != before.at(std::size_t(entry.key)))
            emit changed(entry.key);
    }
}

QString Preferences::storedName(CategorySearchKey key)
{
    return key == CategorySearchKey::slash ? u"slash"_s : u"tab"_s;
}
