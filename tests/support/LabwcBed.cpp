#include "LabwcBed.h"

#include <QDir>
#include <QFile>

#include <csignal>

bool LabwcBed::setLayouts(const QStringList &layouts)
{
    const XkbNames xkb = xkbNames(layouts);
    const QString folder = qEnvironmentVariable("QUILLBOX_BED_CONFIG") + "/labwc";
    QFile environment(folder + "/environment");
    if (!QDir().mkpath(folder) || !environment.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    environment.write(QStringLiteral("XKB_DEFAULT_LAYOUT=%1\nXKB_DEFAULT_VARIANT=%2\n")
                          .arg(xkb.layouts, xkb.variants)
                          .toUtf8());
    environment.close();
    // The compositor runs as another user: it reads what the tests write.
    environment.setPermissions(environment.permissions() | QFileDevice::ReadOther);
    const pid_t labwc = pid_t(qEnvironmentVariableIntValue("LABWC_PID"));
    return labwc > 0 && ::kill(labwc, SIGHUP) == 0 && WlrootsBed::setLayouts(layouts);
}
