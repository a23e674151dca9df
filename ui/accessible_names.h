#pragma once

#include <initializer_list>
#include <utility>

class wxSlider;
class wxStaticText;
class wxWindow;

// What a screen reader says of each control of a window. The toolkit ties each text label to
// the control made after it, which ties fields and the slider to the wrong texts; this names
// every control and ties the labels explicitly.
//
// Each button, check box and radio button among `parent`'s children is named by its own text;
// each field or slider in `labelled` by its label (without the trailing colon), which is then
// tied to it as "label for" and "labelled by". Every other text labels nothing.
void nameControls(wxWindow* parent,
                  std::initializer_list<std::pair<wxWindow*, wxStaticText*>> labelled);

// The slider's value is read out as a percentage of its range ("61%"), not as raw steps.
void readValueAsPercent(wxSlider* slider);
