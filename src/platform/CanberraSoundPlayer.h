#pragma once

#include "services/SoundPlayer.h"

struct ca_context;

/// Event sounds through libcanberra and the freedesktop sound theme. A desktop without a sound
/// server or theme stays silent; the first failure is logged at debug level.
class CanberraSoundPlayer : public SoundPlayer {
public:
    CanberraSoundPlayer() = default;
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer &) = delete;
    CanberraSoundPlayer &operator=(const CanberraSoundPlayer &) = delete;

    void playNavigationClick() override;
    void playCopySound() override;

private:
    void play(const char *eventId, const char *description);
    void reportFailure(const char *what, int code);

    ca_context *m_context = nullptr;
    bool m_contextFailed = false;
    bool m_failureReported = false;
};
