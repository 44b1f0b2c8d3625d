#pragma once

#include <QString>

/// Messages the desktop shows outside the program's own windows.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;

    /// A problem the person has to act on: shown until dismissed. Returns at once; a desktop that
    /// cannot show it is logged, not waited for.
    virtual void notifyProblem(const QString &summary, const QString &body) = 0;
};
