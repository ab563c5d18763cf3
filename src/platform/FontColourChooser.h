// SPDX-License-Identifier: GPL-3.0-or-later
// A modal font chooser and colour chooser, created for one command and dropped after it.
// Colours are 0x00BBGGRR values. With CancelIsFailure set, a cancel makes PickFont and
// PickColour throw VbError(ChooserCancelled).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class FontColourChooser {
public:
    enum class Kind { Font, Colour };

    std::string Title;
    bool CancelIsFailure = false;
    std::int32_t ChosenColour = 0;
    std::string ChosenFontName;
    std::int32_t ChosenFontSize = 0;
    bool ChosenBold = false;
    bool ChosenItalic = false;

    void PickColour();
    void PickFont();

    // While set, the chooser does not open; the hook plays the user: it may change the
    // Chosen members and returns false for a cancel.
    using Hook = std::function<bool(FontColourChooser&, Kind)>;
    static void SetHookForTesting(Hook hook);

private:
    void Finish(bool confirmed);
};
