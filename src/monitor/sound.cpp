// The alert: which of the two sounds WavPath chooses.
#include "monitor/sound.h"

#include "base/settings.h"

void PlayAlert(Sound& sound) {
    if (Settings.WavPath.empty())
        sound.Beep();
    else
        sound.PlayFile(Settings.WavPath);
}
