#pragma once

/// The desktop's event sounds.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    /// The short click played when the panel's selection moves.
    virtual void playNavigationClick() = 0;
};
