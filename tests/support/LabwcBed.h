#pragma once

#include "WlrootsBed.h"

/// Headless labwc: layouts are set as its settings set them, XKB_DEFAULT_LAYOUT and
/// XKB_DEFAULT_VARIANT in its environment file, read again when labwc is told to reconfigure (SIGHUP).
/// Its configuration folder and process come from the bed (QUILLBOX_BED_CONFIG, LABWC_PID).
class LabwcBed : public WlrootsBed {
public:
    QString name() const override { return QStringLiteral("labwc"); }
    bool setLayouts(const QStringList &layouts) override;
};
