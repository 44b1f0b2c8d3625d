#pragma once

#include "services/KeySynthesizer.h"
#include "services/ScriptRunner.h"

#include <QList>
#include <QPair>

#include <functional>

/// Records the chords it is asked to press; `onChord` plays the focused application's part. Each
/// chord reports at once, as XTest does, unless `deferred`: then it waits in `pending` until the
/// test calls report(), as a typing program's end would come.
struct FakeKeySynthesizer : KeySynthesizer {
    bool available = true;
    bool connection = true;
    bool canCreate = true;
    bool deferred = false;
    QList<QPair<int, std::uint32_t>> chords;
    std::function<void(int keyPosition, std::uint32_t modifiers)> onChord;
    QList<ChordSent> pending;

    QString mechanism() const override { return QStringLiteral("XTest"); }
    bool isAvailable() const override { return available; }
    bool hasConnection() const override { return connection; }
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override
    {
        if (canCreate) {
            chords.append({keyPosition, modifiers});
            if (onChord)
                onChord(keyPosition, modifiers);
        }
        if (deferred)
            pending.append(std::move(sent));
        else
            sent(canCreate);
    }
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }
    /// Reports the oldest deferred chord as it went.
    void report() { pending.takeFirst()(canCreate); }
};

/// The script fallback: succeeds unless `error` is set; reports at once unless `deferred` (see
/// FakeKeySynthesizer).
struct FakeScriptRunner : ScriptRunner {
    QString error;
    bool deferred = false;
    QList<KeyCombo> chords;
    QList<Completion> pending;

    void runPaste(const KeyCombo &chord, Completion done) override
    {
        chords.append(chord);
        if (deferred)
            pending.append(std::move(done));
        else
            done({error.isEmpty(), error});
    }
    void report() { pending.takeFirst()({error.isEmpty(), error}); }
};
