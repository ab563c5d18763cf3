// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontColourChooser.h"

#include "platform/FontDialog.h"
#include "platform/Text8.h"
#include "platform/VbColour.h"
#include "platform/VbError.h"

#include <QApplication>
#include <QColorDialog>

namespace {

FontColourChooser::Hook& hook() {
    static FontColourChooser::Hook instance;
    return instance;
}

// Dialogs belong to the window the user is working in, so a window kept on top never
// hides them.
QWidget* owner() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

void FontColourChooser::SetHookForTesting(Hook replacement) {
    hook() = std::move(replacement);
}

void FontColourChooser::PickColour() {
    if (hook())
        return Finish(hook()(*this, Kind::Colour));
    QColorDialog dialog(FromVbColour(ChosenColour), owner());
    dialog.setWindowTitle(toQt(Title));
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed)
        ChosenColour = ToVbColour(dialog.selectedColor());
    Finish(confirmed);
}

void FontColourChooser::PickFont() {
    if (hook())
        return Finish(hook()(*this, Kind::Font));
    FontDialog dialog(toQt(Title), owner());
    dialog.SetChoice(toQt(ChosenFontName), ChosenFontSize, ChosenBold, ChosenItalic);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed) {
        ChosenFontName = fromQt(dialog.Family());
        ChosenFontSize = dialog.Points();
        ChosenBold = dialog.Bold();
        ChosenItalic = dialog.Italic();
    }
    Finish(confirmed);
}

void FontColourChooser::Finish(bool confirmed) {
    if (!confirmed && CancelIsFailure)
        throw VbError(VbError::ChooserCancelled, "Cancel was selected.");
}
