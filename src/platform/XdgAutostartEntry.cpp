#include "XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Exec= splits its arguments at spaces and takes a double-quoted one whole; "%" starts a field code.
QString execArgument(QString program)
{
    static const QString reserved = uR"( "'\><~|&;$*?#()`)"_s;
    program.replace(u"%"_s, u"%%"_s);
    if (std::none_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); }))
        return program;
    // Escaped once for the quotes and once more for the desktop file's own string rules.
    program.replace(u"\\"_s, u"\\\\\\\\"_s)
        .replace(u"\""_s, u"\\\\\""_s)
        .replace(u"`"_s, u"\\\\`"_s)
        .replace(u"$"_s, u"\\\\$"_s);
    return u'"' + program + u'"';
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString program)
    : XdgAutostartEntry(std::move(program), defaultDir())
{
}

XdgAutostartEntry::XdgAutostartEntry(QString program, QString autostartDir)
    : m_program(std::move(program))
    , m_dir(std::move(autostartDir))
{
}

QString XdgAutostartEntry::defaultDir()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/autostart"_s;
}

QString XdgAutostartEntry::path() const
{
    return m_dir + u"/io.quillbox.Quillbox.desktop"_s;
}

bool XdgAutostartEntry::isEnabled() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Only Hidden= matters here; a session skips the entry when it is true.
    while (!file.atEnd()) {
        if (file.readLine().trimmed() == "Hidden=true")
            return false;
    }
    return true;
}

std::optional<QString> XdgAutostartEntry::setEnabled(bool enabled)
{
    if (!enabled) {
        QFile file(path());
        if (file.exists() && !file.remove())
            return file.errorString();
        return std::nullopt;
    }
    if (!QDir().mkpath(m_dir))
        return u"cannot create the folder "_s + m_dir;
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QString text = u"[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Quillbox\n"
                         "Comment=Clipboard history\n"
                         "Icon=io.quillbox.Quillbox\n"
                         "Exec=%1\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n"_s.arg(execArgument(m_program));
    file.write(text.toUtf8());
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
