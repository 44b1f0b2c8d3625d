#pragma once

#include "services/LoginItem.h"

#include <QString>

/// Start at login as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/io.quillbox.Quillbox.desktop,
/// which every freedesktop session reads at login. The file's presence is the state, so removing it
/// by hand turns the start at login off. An entry that says `Hidden=true` counts as off.
class XdgAutostartEntry : public LoginItem {
public:
    /// `program` is what the entry runs; the folder is the one of the current environment.
    explicit XdgAutostartEntry(QString program);
    XdgAutostartEntry(QString program, QString autostartDir);

    /// $XDG_CONFIG_HOME/autostart, falling back to ~/.config/autostart.
    static QString defaultDir();
    QString path() const;

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

private:
    QString m_program;
    QString m_dir;
};
