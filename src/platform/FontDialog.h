// SPDX-License-Identifier: GPL-3.0-or-later
// The font chooser's window. It offers what a caption font can hold: a family, one of four
// styles (regular, italic, bold, bold italic) and a size in whole points, with a sample.
// It opens on exactly the values it is given, the family spelt as given even where the
// system draws another one, so that OK without a change hands the same values back.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;

class FontDialog : public QDialog {
    Q_OBJECT
public:
    FontDialog(const QString& title, QWidget* parent = nullptr);

    // points <= 0 leaves the size box empty; OK then keeps that size.
    void SetChoice(const QString& family, int points, bool bold, bool italic);
    QString Family() const;
    int Points() const;
    bool Bold() const;
    bool Italic() const;

    // The styles offered, in list order: regular, italic, bold, bold italic.
    static QStringList Styles();

private:
    void FamilyTyped(const QString& text);
    void SizeTyped(const QString& text);
    void UpdateSample();

    QLineEdit* familyBox_;
    QListWidget* familyList_;
    QListWidget* styleList_;
    QLineEdit* sizeBox_;
    QListWidget* sizeList_;
    QLabel* sample_;
    int startPoints_ = 0;
};
