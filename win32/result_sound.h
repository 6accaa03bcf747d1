// The result sounds. Apart from the window, since the system's header names
// a macro PlaySound.
#pragma once

#include <string>

// Starts playing the file and returns at once; a file that cannot be played
// is silence, never the system's default sound.
void PlayResultSound(const std::string& path);
