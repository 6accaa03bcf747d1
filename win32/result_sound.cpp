#include "result_sound.h"

#include <windows.h>

#include <mmsystem.h>

#include "utf8.h"

void PlayResultSound(const std::string& path) {
    PlaySoundW(Wide(path).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}
