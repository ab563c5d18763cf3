// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

const int StandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Each family once, by the name a font is asked for: the system lists a family that several
// foundries make once per foundry, as "Family [Foundry]".
QStringList familyNames() {
    QStringList names;
    for (const QString& family : QFontDatabase::families()) {
        const qsizetype foundry = family.lastIndexOf(QLatin1String(" ["));
        names << (foundry > 0 && family.endsWith(']') ? family.left(foundry) : family);
    }
    names.removeDuplicates();
    names.sort(Qt::CaseInsensitive);
    return names;
}

// Selects the first row whose text matches, without touching the box it was typed into.
void selectMatching(QListWidget* list, const QString& text, Qt::MatchFlags how) {
    const QSignalBlocker quiet(list);
    const QList<QListWidgetItem*> found = list->findItems(text, how);
    list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    if (!found.isEmpty())
        list->scrollToItem(found.first());
}

// An edit box over a list, as a font chooser has one per column.
QWidget* column(const QString& caption, QLineEdit* box, QListWidget* list, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(caption, holder);
    label->setBuddy(box ? static_cast<QWidget*>(box) : list);
    layout->addWidget(label);
    if (box)
        layout->addWidget(box);
    layout->addWidget(list);
    return holder;
}

} // namespace

FontDialog::FontDialog(const QString& title, QWidget* parent)
    : QDialog(parent), familyBox_(new QLineEdit(this)), familyList_(new QListWidget(this)),
      styleList_(new QListWidget(this)), sizeBox_(new QLineEdit(this)),
      sizeList_(new QListWidget(this)), sample_(new QLabel(QStringLiteral("AaBbYyZz"), this)) {
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(title);
    setModal(true);

    familyBox_->setObjectName(QStringLiteral("family"));
    familyList_->setObjectName(QStringLiteral("families"));
    familyList_->addItems(familyNames());
    styleList_->setObjectName(QStringLiteral("style"));
    styleList_->addItems(Styles());
    sizeBox_->setObjectName(QStringLiteral("size"));
    sizeBox_->setValidator(new QIntValidator(1, 999, sizeBox_));
    for (const int points : StandardSizes)
        sizeList_->addItem(QString::number(points));
    styleList_->setFixedWidth(fontMetrics().horizontalAdvance(Styles().last()) * 2);
    sizeList_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 3);

    sample_->setObjectName(QStringLiteral("sample"));
    sample_->setTextFormat(Qt::PlainText);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setMinimumHeight(72);
    auto* sampleFrame = new QGroupBox(tr("Sample"), this);
    (new QVBoxLayout(sampleFrame))->addWidget(sample_);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(column(tr("&Font:"), familyBox_, familyList_, this), 0, 0);
    grid->addWidget(column(tr("Font st&yle:"), nullptr, styleList_, this), 0, 1);
    grid->addWidget(column(tr("&Size:"), sizeBox_, sizeList_, this), 0, 2);
    grid->addWidget(buttons, 0, 3, Qt::AlignTop);
    grid->addWidget(sampleFrame, 1, 1, 1, 2);
    grid->setColumnStretch(0, 1);

    connect(familyBox_, &QLineEdit::textEdited, this, &FontDialog::FamilyTyped);
    // Only a row the user selects fills the box; a list merely given the focus marks its
    // first row as current without selecting it.
    connect(familyList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (familyList_->currentItem())
            familyBox_->setText(familyList_->currentItem()->text());
        UpdateSample();
    });
    connect(styleList_, &QListWidget::currentRowChanged, this, &FontDialog::UpdateSample);
    connect(sizeBox_, &QLineEdit::textEdited, this, &FontDialog::SizeTyped);
    connect(sizeList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (sizeList_->currentItem())
            sizeBox_->setText(sizeList_->currentItem()->text());
        UpdateSample();
    });
    resize(560, 340);
}

QStringList FontDialog::Styles() {
    return {tr("Regular"), tr("Italic"), tr("Bold"), tr("Bold Italic")};
}

void FontDialog::SetChoice(const QString& family, int points, bool bold, bool italic) {
    startPoints_ = points;
    familyBox_->setText(family);
    FamilyTyped(family);
    styleList_->setCurrentRow((bold ? 2 : 0) + (italic ? 1 : 0));
    sizeBox_->setText(points > 0 ? QString::number(points) : QString());
    SizeTyped(sizeBox_->text());
    familyBox_->setFocus();
    familyBox_->selectAll();
}

QString FontDialog::Family() const {
    return familyBox_->text();
}

int FontDialog::Points() const {
    bool whole = false;
    const int points = sizeBox_->text().toInt(&whole);
    return whole && points > 0 ? points : startPoints_;
}

bool FontDialog::Bold() const {
    return styleList_->currentRow() >= 2;
}

bool FontDialog::Italic() const {
    return styleList_->currentRow() % 2 == 1;
}

void FontDialog::FamilyTyped(const QString& text) {
    // A family the system lacks stays as typed; the list shows the nearest one it has.
    selectMatching(familyList_, text, Qt::MatchFixedString);
    if (!familyList_->currentItem() && !text.isEmpty())
        selectMatching(familyList_, text, Qt::MatchStartsWith);
    UpdateSample();
}

void FontDialog::SizeTyped(const QString& text) {
    selectMatching(sizeList_, text, Qt::MatchExactly);
    UpdateSample();
}

void FontDialog::UpdateSample() {
    QFont font(Family());
    font.setPointSize(Points() > 0 ? Points() : 12);
    font.setBold(Bold());
    font.setItalic(Italic());
    sample_->setFont(font);
}
