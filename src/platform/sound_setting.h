#pragma once

namespace reelcase {

// The player's volume (0..100) and mute, kept beside the favorites folder as "volume" and
// "mute" in group "reelkit" of the program's settings file.
struct SoundSetting {
    int volume = 100;
    bool muted = false;

    // The stored values; defaults for what is missing or out of range.
    static SoundSetting read();
    // Stores both at once; false when the settings file could not be written. Touches the
    // disk: call it off the UI thread.
    static bool write(const SoundSetting& setting);
};

} // namespace reelcase
