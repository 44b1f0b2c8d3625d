#pragma once

#include <QtGlobal>

class ModelContext;

/// Fills the store with the benchmarks' history: 10,000 items, 1,000 of them pinned and 500 images,
/// texts from 10 bytes to 100 KB (mostly short, as clipboard texts are; one in fifty partly in other
/// scripts), and the default categories and templates. Deterministic, so runs compare. Returns the
/// number of characters stored.
qint64 fillHistory(ModelContext &context);
