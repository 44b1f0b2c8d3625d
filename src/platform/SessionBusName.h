#pragma once

#include <QString>

/// Whether `name` has an owner on the session bus. Asks the bus itself, not the owner, and waits at
/// most `timeoutMs`: for the choices made once at start-up, before any window shows.
bool sessionBusHasOwner(const QString &name, int timeoutMs = 1000);
