#pragma once

#include "resources/resource_numbers.h"

// The fixed numbers of the menu commands, window templates and controls. They are the
// program's public interface to tests and scripts, and the same on every platform.
namespace ids {

// Window templates.
inline constexpr int kIcon = VT_ICON;
inline constexpr int kPanelTemplate = VT_PANEL_TEMPLATE;
inline constexpr int kMainMenu = VT_MAIN_MENU;
inline constexpr int kAboutTemplate = VT_ABOUT_TEMPLATE;
inline constexpr int kToneTemplate = VT_TONE_TEMPLATE;
inline constexpr int kSweepTemplate = VT_SWEEP_TEMPLATE;

// Menu commands of the main window.
inline constexpr int kMenuExit = VT_MENU_EXIT;
inline constexpr int kMenuWhiteNoise = VT_MENU_WHITE_NOISE;
inline constexpr int kMenuAbout = VT_MENU_ABOUT;
inline constexpr int kMenuPinkNoise = VT_MENU_PINK_NOISE;
inline constexpr int kMenuPureTone = VT_MENU_PURE_TONE;
inline constexpr int kMenuSweep = VT_MENU_SWEEP;

// Control panel.
inline constexpr int kPlay = VT_PLAY;
inline constexpr int kStop = VT_STOP;
inline constexpr int kGeneratorFrame = VT_GENERATOR_FRAME;
inline constexpr int kRestCheck = VT_REST_CHECK;
inline constexpr int kRestEvery = VT_REST_EVERY;
inline constexpr int kRestLength = VT_REST_LENGTH;
inline constexpr int kStatusLine = VT_STATUS_LINE;
inline constexpr int kVolumeSlider = VT_VOLUME_SLIDER;
// The burn-in status below the panel's frame: how long the playback has played, or rests.
inline constexpr int kBurnInStatus = VT_BURN_IN_STATUS;

// Pure tone dialog.
inline constexpr int kToneFrequency = VT_TONE_FREQUENCY;
inline constexpr int kToneOk = VT_TONE_OK;
inline constexpr int kToneCancel = VT_TONE_CANCEL;
inline constexpr int kToneSine = VT_TONE_SINE;

// Frequency sweep dialog.
inline constexpr int kSweepLimit = VT_SWEEP_LIMIT;
inline constexpr int kSweepSeconds = VT_SWEEP_SECONDS;
inline constexpr int kSweepOk = VT_SWEEP_OK;
inline constexpr int kSweepCancel = VT_SWEEP_CANCEL;

// About box.
inline constexpr int kAboutClose = VT_ABOUT_CLOSE;

// Static texts that no code addresses.
inline constexpr int kStatic = VT_STATIC;

}  // namespace ids
