// The alert sound: a WAV file played by name, or the system's exclamation beep.
#pragma once

#include <string>

class Sound {
public:
    Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    virtual ~Sound() = default;

    // Plays the WAV file at `path` and returns when it has ended; failures are ignored.
    virtual void PlayFile(const std::string& path) = 0;
    // The exclamation-icon beep.
    virtual void Beep() = 0;
};

// The platform's sound (sound_win.cpp; the Windows build only). LoadPlatformSound takes the
// system's sound library first; false with the user's message in `failure` when it cannot.
bool LoadPlatformSound(std::string* failure);
Sound& PlatformSound();

// The one alert of the program: the file named by WavPath, or the beep when WavPath is empty.
void PlayAlert(Sound& sound);
