#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <optional>

/// The person's preferences: one table of keys with their types and defaults, read by one rule per
/// type, kept in an INI file (QSettings underneath, so files of earlier versions keep working).
///
/// Reading rules: a key never written, or holding a value its type cannot read, reads as its default.
/// - boolean: a stored boolean, the integers 1 and 0, or the texts "true", "false", "1", "0" (case
///   ignored); INI files hold only text, so "0" and "false" turn an option off alike.
/// - integer: a stored integer or a text that is one in decimal.
/// - text: the stored text; an unquoted value that the INI format split at its commas reads as
///   written, its parts joined by ",".
/// - bytes: a stored byte string, or a text as its UTF-8.
///
/// Only changes are written: setting a key to what it already holds leaves the file alone, and a
/// change rewrites only its own line, so comments and everything else the person wrote keep their bytes.
class Preferences : public QObject {
    Q_OBJECT

public:
    enum class Key {
        maxHistoryCount,
        launchAtLogin,
        showSourceApp,
        playSoundOnCopy,
        playSoundOnNavigate,
        borderColorHex,
        categorySearchKey,
        enableLanguageFix,
        hasSeenOnboarding,
        hotkeyCombo,
        keyboardUIMode,
        terminalPasteChords,
        historyPausedUntil,
        neverRecordApplications,
        recordImages,
        recordFiles,
        largestItemMegabytes,
        keepUnpinnedDays,
        clearHistoryOnQuit,
    };
    Q_ENUM(Key)

    /// The key that opens the panel's category search.
    enum class CategorySearchKey { tab, slash };
    Q_ENUM(CategorySearchKey)
    /// As stored: "tab" or "slash".
    static QString storedName(CategorySearchKey key);
    enum class Type { boolean, integer, text, bytes };

    struct Definition {
        Key key;
        QLatin1StringView name;
        Type type;
        QVariant defaultValue;
    };
    static const std::array<Definition, 19> definitions;
    static const Definition &definition(Key key);

    /// Opens the file at `path` (it need not exist). A file that cannot be read (a folder, no read
    /// permission, not INI text) is never written: the preferences then hold their defaults and this
    /// session's changes in memory only, and problem() says what is wrong with the file.
    explicit Preferences(const QString &path, QObject *parent = nullptr);

    /// $XDG_CONFIG_HOME/Quillbox/Quillbox.conf, falling back to ~/.config.
    static QString defaultPath();

    QString path() const { return m_path; }
    /// Why the file cannot be used, for the person; empty while it can.
    QString problem() const { return m_problem; }

    /// The value of `key` by its type's rule, as a bool, int, QString or QByteArray.
    QVariant value(Key key) const;
    /// Whether `key` holds a value of its own, readable as its type; otherwise it reads as its default.
    bool isStored(Key key) const { return stored(key).has_value(); }
    /// The file's own value for `key` as the INI format reads it, readable as its type or not; invalid
    /// when the file has none.
    QVariant writtenValue(Key key) const { return m_values.value(definition(key).name); }
    /// Writes `value` (converted to the key's type) unless the key already holds it.
    void setValue(Key key, const QVariant &value);
    /// Takes in what another writer stored in the file since it was read.
    void reload();

    int maxHistoryCount() const { return value(Key::maxHistoryCount).toInt(); }
    bool launchAtLogin() const { return value(Key::launchAtLogin).toBool(); }
    bool showSourceApp() const { return value(Key::showSourceApp).toBool(); }
    bool playSoundOnCopy() const { return value(Key::playSoundOnCopy).toBool(); }
    bool playSoundOnNavigate() const { return value(Key::playSoundOnNavigate).toBool(); }
    /// "#" and six hex digits, as stored; not checked against the colour options.
    QString borderColorHex() const { return value(Key::borderColorHex).toString(); }
    /// A stored value other than "slash" reads as Tab, the default.
    CategorySearchKey categorySearchKey() const
    {
        return value(Key::categorySearchKey).toString() == storedName(CategorySearchKey::slash)
            ? CategorySearchKey::slash
            : CategorySearchKey::tab;
    }
    bool enableLanguageFix() const { return value(Key::enableLanguageFix).toBool(); }
    bool hasSeenOnboarding() const { return value(Key::hasSeenOnboarding).toBool(); }
    /// The panel hotkey as stored JSON; empty while none was stored.
    QByteArray hotkeyCombo() const { return value(Key::hotkeyCombo).toByteArray(); }
    int keyboardUIMode() const { return value(Key::keyboardUIMode).toInt(); }
    /// "Class:chord" entries separated by ";" or ",".
    QString terminalPasteChords() const { return value(Key::terminalPasteChords).toString(); }
    /// Empty while recording, "resume" for a pause until resumed, else the pause's end as an ISO 8601
    /// UTC time: an end, not a duration, so a pause outlives a restart only until it is over.
    QString historyPausedUntil() const { return value(Key::historyPausedUntil).toString(); }
    /// The programs whose copies are never recorded, as listed in Settings. Written ";"-separated; a list
    /// written by hand may use "," too, since an unquoted ";" starts a comment in an INI file.
    QStringList neverRecordApplications() const
    {
        QStringList ids;
        for (const QString &id : value(Key::neverRecordApplications).toString().split(u';'))
            ids += id.split(u',', Qt::SkipEmptyParts);
        return ids;
    }
    bool recordImages() const { return value(Key::recordImages).toBool(); }
    bool recordFiles() const { return value(Key::recordFiles).toBool(); }
    int largestItemMegabytes() const { return value(Key::largestItemMegabytes).toInt(); }
    int keepUnpinnedDays() const { return value(Key::keepUnpinnedDays).toInt(); }
    bool clearHistoryOnQuit() const { return value(Key::clearHistoryOnQuit).toBool(); }

    void setMaxHistoryCount(int count) { setValue(Key::maxHistoryCount, count); }
    void setLaunchAtLogin(bool on) { setValue(Key::launchAtLogin, on); }
    void setShowSourceApp(bool on) { setValue(Key::showSourceApp, on); }
    void setPlaySoundOnCopy(bool on) { setValue(Key::playSoundOnCopy, on); }
    void setPlaySoundOnNavigate(bool on) { setValue(Key::playSoundOnNavigate, on); }
    void setBorderColorHex(const QString &hex) { setValue(Key::borderColorHex, hex); }
    void setCategorySearchKey(CategorySearchKey key) { setValue(Key::categorySearchKey, storedName(key)); }
    void setEnableLanguageFix(bool on) { setValue(Key::enableLanguageFix, on); }
    void setHasSeenOnboarding(bool seen) { setValue(Key::hasSeenOnboarding, seen); }
    void setHotkeyCombo(const QByteArray &json) { setValue(Key::hotkeyCombo, json); }
    void setKeyboardUIMode(int mode) { setValue(Key::keyboardUIMode, mode); }
    void setTerminalPasteChords(const QString &entries) { setValue(Key::terminalPasteChords, entries); }
    void setHistoryPausedUntil(const QString &until) { setValue(Key::historyPausedUntil, until); }
    void setNeverRecordApplications(const QStringList &ids)
    {
        setValue(Key::neverRecordApplications, ids.join(QLatin1Char(';')));
    }
    void setRecordImages(bool on) { setValue(Key::recordImages, on); }
    void setRecordFiles(bool on) { setValue(Key::recordFiles, on); }
    void setLargestItemMegabytes(int megabytes) { setValue(Key::largestItemMegabytes, megabytes); }
    void setKeepUnpinnedDays(int days) { setValue(Key::keepUnpinnedDays, days); }
    void setClearHistoryOnQuit(bool on) { setValue(Key::clearHistoryOnQuit, on); }

signals:
    /// `key` now reads differently: set here, or found changed by reload().
    void changed(Preferences::Key key);

private:
    /// The stored value read by its type's rule; nothing when absent or unreadable as that type.
    std::optional<QVariant> stored(Key key) const;

    /// Reads the file's values of every key.
    void read();
    /// Writes `value` on the key's line of the file, leaving the other lines as they are.
    void write(const Definition &entry, const QVariant &value);

    QString m_path;
    QString m_problem;
    /// The file's values as its INI reading gives them, with this session's changes; while the file
    /// cannot be used, this session's values only.
    QVariantHash m_values;
};
