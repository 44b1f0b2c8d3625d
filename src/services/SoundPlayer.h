#pragma once

/// The desktop's event sounds.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    /// The short click played when the panel's selection moves.
    virtual void playNavigationClick() = 0;
    /// The short notice played when a copy has been added to the history.
    virtual void playCopySound() = 0;
};
