// SPDX-License-Identifier: GPL-3.0-or-later
// The appearance buttons of the options dialog: the caption font, the text, background and
// highlight colours, the sizing-frame switch and the highlight preview. Each choice shows
// on the caption window and is written to the settings file at once.
#pragma once

class QWidget;

class AppearanceCommands {
public:
    enum Command : int {
        ChangeFont = 0,
        ChangeTextColour = 1,
        ChangeBackgroundColour = 2,
        ToggleBorder = 3,
        HighlightTextColour = 4,
        HighlightBackgroundColour = 5,
        TestHighlight = 6,
    };

    explicit AppearanceCommands(QWidget& optionsWindow) : optionsWindow_(optionsWindow) {}

    // The click of button `index`; other indexes do nothing.
    void cmdOptions_Click(int index);

    // Flipped by the highlight preview; kept across openings of the dialog.
    bool PreviewHighlight = false;

private:
    void RunChooser(int index);
    void ToggleWindowBorder();
    void TogglePreview();

    QWidget& optionsWindow_;
};
