#pragma once

// How sound servers and their mixers list the output's stream.

// "production", not "music": PulseAudio's role policy (module-role-cork, loaded by default)
// mutes music and video streams while a call plays, a silence this program could not see and
// would count as played. Mixers list a production stream by its name and icon alone.
inline constexpr const char* kStreamRole = "production";
// The installed icon's name in the hicolor theme.
inline constexpr const char* kStreamIconName = "vellumtone";
