#pragma once

#include <QtGlobal>

class ModelContext;

/// Fills the store with the benchmarks' history: `count` items, a tenth of them pinned and a twentieth images,
/// texts from 10 bytes to 100 KB (mostly short, as clipboard texts are; one in fifty partly in other
/// scripts), and the default categories and templates. Deterministic, so runs compare. Returns the
/// number of characters stored.
qint64 fillHistory(ModelContext &context, int count = 10000);
/// Fills the store with `count` distinct texts of `length` characters each, as short clipboard texts are
/// (words, some capitalised, one in fifty partly in other scripts), and the default categories and
/// templates. Deterministic.
void fillTexts(ModelContext &context, int count, int length);
