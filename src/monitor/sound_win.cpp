// The alert sounds through winmm and user32. The file plays synchronously (no SND_ASYNC):
// the thread waits until it has ended, and the platform's default sound is not suppressed
// when the file cannot be played. PlaySoundA is taken from winmm.dll in the system folder.
#include "monitor/sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "base/system_library.h"

namespace {

using PlaySoundFunction = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
PlaySoundFunction playSound = nullptr;

class WinSound final : public Sound {
public:
    void PlayFile(const std::string& path) override {
        if (playSound) playSound(path.c_str(), nullptr, SND_FILENAME);
    }
    void Beep() override { MessageBeep(MB_ICONEXCLAMATION); }
};

}  // namespace

bool LoadPlatformSound(std::string* failure) {
    static const char* const kFunctions[] = {"PlaySoundA"};
    void* slot = nullptr;
    if (!BindSystemLibrary(SystemLibraries(), "winmm.dll", kFunctions, &slot, 1, failure)) return false;
    playSound = reinterpret_cast<PlaySoundFunction>(slot);
    return true;
}

Sound& PlatformSound() {
    static WinSound sound;
    return sound;
}
