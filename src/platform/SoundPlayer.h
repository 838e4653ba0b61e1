#pragma once

// Plays the program's sounds by resource number (146 completed, 153
// cancelled, 164 scheduled event started). Playing never blocks and never
// fails an action; this base plays nothing, which is what a run without a
// display gets.
class CSoundPlayer {
public:
    virtual ~CSoundPlayer() = default;
    virtual void Play(int resource);
};

// Plays a short tone of its own per sound through the desktop's sound server
// (paplay, else aplay), in the background.
class CDesktopSoundPlayer : public CSoundPlayer {
public:
    void Play(int resource) override;
};
