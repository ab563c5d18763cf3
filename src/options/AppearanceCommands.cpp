// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/AppearanceCommands.h"

#include "platform/FontColourChooser.h"
#include "platform/MsgBox.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/WindowApi.h"
#include "startup/Common.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QWidget>

using namespace User32;

using MainMod::ReadSetting;
using MainMod::WriteIniKey;

namespace {

constexpr const char* SelectedColourText = "This is how your selected colour will appear";

std::int32_t colourSetting(const char* key) {
    return CLngOrRaise(ReadSetting(key));
}

const char* trueFalse(bool value) {
    return value ? "True" : "False";
}

} // namespace

void AppearanceCommands::cmdOptions_Click(int index) {
    if (index < ChangeFont || index > TestHighlight)
        return;
    try {
        if (index == ToggleBorder)
            ToggleWindowBorder();
        else if (index == TestHighlight)
            TogglePreview();
        else
            RunChooser(index);
    } catch (const std::exception& failure) {
        EnableWindow(&optionsWindow_, true);
        const auto* error = dynamic_cast<const VbError*>(&failure);
        if (error && error->Number() == VbError::ChooserCancelled)
            return;
        MsgBox::Show(std::string("Error: ") + failure.what() + " in Wingscribe Options");
    }
}

void AppearanceCommands::RunChooser(int index) {
    frmMain& caption = frmMain::Get();
    const bool highlight = index == HighlightTextColour || index == HighlightBackgroundColour;
    if (highlight) {
        // The normal colours show while a highlight colour is chosen.
        caption.SetCaptionForeColor(colourSetting("TextCol"));
        caption.SetBackColor(colourSetting("BackCol"));
    }
    EnableWindow(&optionsWindow_, false);

    FontColourChooser chooser;
    const bool background = index == ChangeBackgroundColour || index == HighlightBackgroundColour;
    chooser.Title = index == ChangeFont ? "Select your preferred FONT"
                    : background        ? "Select your preferred Background Colour"
                                        : "Select";
    chooser.CancelIsFailure = true;
    switch (index) {
    case ChangeFont:
        chooser.ChosenFontName = ReadSetting("Font");
        chooser.ChosenFontSize = CIntOrRaise(ReadSetting("FontSize"));
        chooser.ChosenBold = CBoolOrRaise(ReadSetting("FontBold"));
        chooser.ChosenItalic = CBoolOrRaise(ReadSetting("FontItalic"));
        chooser.PickFont();
        break;
    case ChangeTextColour:
        chooser.ChosenColour = colourSetting("TextCol");
        chooser.PickColour();
        break;
    case ChangeBackgroundColour:
        chooser.ChosenColour = colourSetting("BackCol");
        chooser.PickColour();
        break;
    case HighlightTextColour:
        chooser.ChosenColour = colourSetting("HTextCol");
        chooser.PickColour();
        break;
    case HighlightBackgroundColour:
        chooser.ChosenColour = colourSetting("HBackCol");
        chooser.PickColour();
        break;
    }
    EnableWindow(&optionsWindow_, true);

    const std::string chosen = std::to_string(chooser.ChosenColour);
    switch (index) {
    case ChangeFont:
        caption.SetCaptionFontName(chooser.ChosenFontName);
        caption.SetCaptionFontSize(static_cast<float>(chooser.ChosenFontSize));
        caption.SetCaptionFontBold(chooser.ChosenBold);
        caption.SetCaptionFontItalic(chooser.ChosenItalic);
        WriteIniKey("Config", "Font", chooser.ChosenFontName);
        WriteIniKey("Config", "FontSize", std::to_string(chooser.ChosenFontSize));
        WriteIniKey("Config", "FontBold", trueFalse(chooser.ChosenBold));
        WriteIniKey("Config", "FontItalic", trueFalse(chooser.ChosenItalic));
        break;
    case ChangeTextColour:
        caption.SetCaptionForeColor(chooser.ChosenColour);
        caption.SetCaptionText(SelectedColourText);
        WriteIniKey("Config", "TextCol", chosen);
        break;
    case ChangeBackgroundColour:
        caption.SetBackColor(chooser.ChosenColour);
        caption.SetCaptionText(SelectedColourText);
        WriteIniKey("Config", "BackCol", chosen);
        break;
    case HighlightTextColour:
        WriteIniKey("Config", "HTextCol", chosen);
        break;
    case HighlightBackgroundColour:
        WriteIniKey("Config", "HBackCol", chosen);
        break;
    }
}

void AppearanceCommands::ToggleWindowBorder() {
    const bool shown = CBoolOrRaise(ReadSetting("Border"));
    const auto handle = HandleOf(&frmMain::Get());
    COMMON::SetWindowStyle(handle, false, WS_THICKFRAME, !shown, false);
    WriteIniKey("Config", "Border", shown ? "0" : "1");
}

void AppearanceCommands::TogglePreview() {
    frmMain& caption = frmMain::Get();
    if (!PreviewHighlight) {
        caption.SetCaptionForeColor(colourSetting("HTextCol"));
        caption.SetBackColor(colourSetting("HBackCol"));
        caption.SetCaptionText("This is with highlighting ON");
        PreviewHighlight = true;
    } else {
        caption.SetCaptionForeColor(colourSetting("TextCol"));
        caption.SetBackColor(colourSetting("BackCol"));
        caption.SetCaptionText("This is with highlighting OFF");
        PreviewHighlight = false;
    }
}
