#include "LabwcBed.h"

#include <csignal>

bool LabwcBed::setLayouts(const QStringList &layouts)
{
    const XkbNames xkb = xkbNames(layouts);
    if (!writeSettings(QStringLiteral("labwc/environment"),
            QStringLiteral("XKB_DEFAULT_LAYOUT=%1\nXKB_DEFAULT_VARIANT=%2\n").arg(xkb.layouts, xkb.variants).toUtf8()))
        return false;
    const pid_t labwc = pid_t(qEnvironmentVariableIntValue("LABWC_PID"));
    return labwc > 0 && ::kill(labwc, SIGHUP) == 0 && WlrootsBed::setLayouts(layouts);
}
