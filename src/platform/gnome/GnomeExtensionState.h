#pragma once

#include <QString>
#include <QVariantMap>

/// Quillbox's GNOME Shell extension as the running Shell knows it, for the choice made at start-up.
class GnomeExtensionState {
public:
    enum class State {
        notInstalled, ///< no such extension (or no GNOME Shell)
        disabled, ///< installed and known to the Shell, switched off: enabled, it loads at once
        installedThisSession, ///< installed after the Shell started: the Shell loads it at the next login
        failed, ///< enabled, but the Shell could not run it (an error, or made for another GNOME)
        serving, ///< enabled and answering on the session bus
    };

    static inline const QString uuid = QStringLiteral("quillbox@quillbox.io");

    /// Asks the session bus and org.gnome.Shell.Extensions, waiting at most `timeoutMs` for each
    /// answer: for the choice made once at start-up, before the application object exists.
    static State probe(int timeoutMs = 1000);

    /// The state from what the Shell said: whether io.quillbox.Shell has an owner, GetExtensionInfo's
    /// answer (empty when the Shell does not know the extension), and whether its files are installed.
    static State classify(bool serving, const QVariantMap &info, bool installed);
};
