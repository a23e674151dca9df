#pragma once

// The fixed numbers of the menu commands, window templates and controls. They are the
// program's public interface to tests and scripts, and the same on every platform.
namespace ids {

// Window templates.
inline constexpr int kIcon = 101;
inline constexpr int kPanelTemplate = 101;
inline constexpr int kMainMenu = 102;
inline constexpr int kAboutTemplate = 102;
inline constexpr int kToneTemplate = 103;
inline constexpr int kSweepTemplate = 104;

// Menu commands of the main window.
inline constexpr int kMenuExit = 40001;
inline constexpr int kMenuWhiteNoise = 40002;
inline constexpr int kMenuAbout = 40003;
inline constexpr int kMenuPinkNoise = 40004;
inline constexpr int kMenuPureTone = 40005;
inline constexpr int kMenuSweep = 40006;

// Control panel.
inline constexpr int kPlay = 1001;
inline constexpr int kStop = 1002;
inline constexpr int kGeneratorFrame = 1005;
inline constexpr int kRestCheck = 1009;
inline constexpr int kRestEvery = 1010;
inline constexpr int kRestLength = 1011;
inline constexpr int kStatusLine = 1012;
inline constexpr int kVolumeSlider = 1020;
// The burn-in status below the panel's frame: how long the playback has played, or rests.
inline constexpr int kBurnInStatus = 1030;

// Pure tone dialog.
inline constexpr int kToneFrequency = 1013;
inline constexpr int kToneOk = 1015;
inline constexpr int kToneCancel = 1016;
inline constexpr int kToneSine = 1018;

// Frequency sweep dialog. The upper limit's field shares its number with the panel's rest
// length field; they never live in the same window.
inline constexpr int kSweepLimit = 1011;
inline constexpr int kSweepSeconds = 1021;
inline constexpr int kSweepOk = 1022;
inline constexpr int kSweepCancel = 1023;

// About box.
inline constexpr int kAboutClose = 1001;

// Static texts that no code addresses.
inline constexpr int kStatic = -1;

}  // namespace ids
