#pragma once

#include "model/Preferences.h"

#include <QTemporaryDir>

/// Preferences in a file of their own that is removed with the object, never the person's.
struct TemporaryPreferences {
    QTemporaryDir dir;
    Preferences preferences{dir.filePath(QStringLiteral("Quillbox.conf"))};

    QString path() const { return preferences.path(); }
};
