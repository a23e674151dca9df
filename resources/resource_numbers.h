/* The fixed numbers of the menu commands, window templates and controls, as plain #define
   lines: the Windows resource compiler reads this file as well as the C++ compiler. C++ code
   uses the typed constants of resource_ids.h, which are made from these. */
#pragma once

#define VT_ICON 101
#define VT_PANEL_TEMPLATE 101
#define VT_MAIN_MENU 102
#define VT_ABOUT_TEMPLATE 102
#define VT_TONE_TEMPLATE 103
#define VT_SWEEP_TEMPLATE 104

#define VT_MENU_EXIT 40001
#define VT_MENU_WHITE_NOISE 40002
#define VT_MENU_ABOUT 40003
#define VT_MENU_PINK_NOISE 40004
#define VT_MENU_PURE_TONE 40005
#define VT_MENU_SWEEP 40006

#define VT_PLAY 1001
#define VT_STOP 1002
#define VT_GENERATOR_FRAME 1005
#define VT_REST_CHECK 1009
#define VT_REST_EVERY 1010
#define VT_REST_LENGTH 1011
#define VT_STATUS_LINE 1012
#define VT_VOLUME_SLIDER 1020
/* The burn-in status: how long the playback has played, or rests. */
#define VT_BURN_IN_STATUS 1030

#define VT_TONE_FREQUENCY 1013
#define VT_TONE_OK 1015
#define VT_TONE_CANCEL 1016
#define VT_TONE_SINE 1018

/* The sweep's upper limit shares its number with the panel's rest length field; they never
   live in the same window. */
#define VT_SWEEP_LIMIT 1011
#define VT_SWEEP_SECONDS 1021
#define VT_SWEEP_OK 1022
#define VT_SWEEP_CANCEL 1023

#define VT_ABOUT_CLOSE 1001

/* Static texts that no code addresses. */
#define VT_STATIC (-1)
