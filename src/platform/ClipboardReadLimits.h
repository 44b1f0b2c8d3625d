#pragma once

#include <QtGlobal>

/// What other programs' clipboards may cost: generous bounds, so that an owner that never ends a
/// transfer, or invents new atoms on every change, cannot fill the memory.
struct ClipboardReadLimits {
    /// What one change may deliver; beyond it the transfer is abandoned.
    qint64 maxChangeBytes = 256LL * 1024 * 1024;
    /// Atom names kept from earlier changes.
    qsizetype maxCachedAtomNames = 4096;
};
