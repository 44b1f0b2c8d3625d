#pragma once

#include "services/KeySynthesizer.h"
#include "services/ScriptRunner.h"

#include <QList>
#include <QPair>

#include <functional>

/// Records the chords it is asked to press; `onChord` plays the focused application's part.
struct FakeKeySynthesizer : KeySynthesizer {
    bool available = true;
    bool connection = true;
    bool canCreate = true;
    QList<QPair<int, std::uint32_t>> chords;
    std::function<void(int keyPosition, std::uint32_t modifiers)> onChord;

    QString mechanism() const override { return QStringLiteral("XTest"); }
    bool isAvailable() const override { return available; }
    bool hasConnection() const override { return connection; }
    bool pressChord(int keyPosition, std::uint32_t modifiers) override
    {
        if (!canCreate)
            return false;
        chords.append({keyPosition, modifiers});
        if (onChord)
            onChord(keyPosition, modifiers);
        return true;
    }
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }
};

/// The script fallback: succeeds unless `error` is set.
struct FakeScriptRunner : ScriptRunner {
    QString error;
    QList<KeyCombo> chords;
    Result runPaste(const KeyCombo &chord) override
    {
        chords.append(chord);
        return {error.isEmpty(), error};
    }
};
