#include "platform/FontColourChooser.h"

#include "platform/Text8.h"
#include "platform/VbColour.h"
#include "platform/VbError.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>

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
    QFont start(toQt(ChosenFontName));
    if (ChosenFontSize > 0)
        start.setPointSize(ChosenFontSize);
    start.setBold(ChosenBold);
    start.setItalic(ChosenItalic);
    start.setFamily(QFontInfo(start).family()); // the family the system draws it with
    QFontDialog dialog(start, owner());
    dialog.setWindowTitle(toQt(Title));
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed) {
        const QFont font = dialog.selectedFont();
        ChosenFontName = fromQt(font.family());
        ChosenFontSize = static_cast<std::int32_t>(qRound(font.pointSizeF()));
        ChosenBold = font.bold();
        ChosenItalic = font.italic();
    }
    Finish(confirmed);
}

void FontColourChooser::Finish(bool confirmed) {
    if (!confirmed && CancelIsFailure)
        throw VbError(VbError::ChooserCancelled, "Cancel was selected.");
}
