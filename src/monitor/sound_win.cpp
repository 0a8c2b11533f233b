// The alert sounds through winmm and user32. The file plays synchronously (no SND_ASYNC):
// the thread waits until it has ended, and the platform's default sound is not suppressed
// when the file cannot be played.
#include "monitor/sound.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

class WinSound final : public Sound {
public:
    void PlayFile(const std::string& path) override { PlaySoundA(path.c_str(), nullptr, SND_FILENAME); }
    void Beep() override { MessageBeep(MB_ICONEXCLAMATION); }
};

}  // namespace

Sound& PlatformSound() {
    static WinSound sound;
    return sound;
}
