// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps a form's controls in proportion to its client area, and saves and restores the
// form's position and size between runs in a store of its own: an INI file in the user's
// settings folder (on Windows %APPDATA%\Wingscribe\layouts.ini, elsewhere
// ~/.config/Wingscribe/layouts.ini).
//
// Controls are laid out from their design rectangles relative to the form's design client
// size; fonts are not scaled. A layout is kept under a key compared without regard to case.
// Restoring a layout that lies off every screen now brings the window back onto the
// nearest screen; a key never saved leaves the window where it is.
#pragma once

#include <QObject>
#include <QRectF>
#include <QString>
#include <string>
#include <vector>

class QWidget;

class ActiveResize : public QObject {
public:
    // designClientWidth/Height: the form's client size in twips as designed.
    ActiveResize(QWidget* form, float designClientWidth, float designClientHeight);

    // Registers a control with its design rectangle in twips.
    void AddControl(QWidget* control, QRectF designTwips);

    void SaveFormLayout(QWidget* form, bool, const std::string& key);
    void RestoreFormLayout(QWidget* form, bool, const std::string& key);

    // Lays the controls out for the current client area.
    void Rescale();

    // The file the layouts are kept in.
    static QString StoreFile();
    // Keeps the layouts in another file from now on (empty: the user's store again).
    static void SetStoreFileForTesting(const QString& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        QWidget* widget;
        QRectF design;
    };

    QWidget* form_;
    QSizeF designClient_;
    std::vector<Control> controls_;
};
