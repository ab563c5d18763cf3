// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ActiveResize.h"

#include "platform/Twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace {

QString& storeFileForTesting() {
    static QString file;
    return file;
}

QSettings layoutStore() {
    return QSettings(ActiveResize::StoreFile(), QSettings::IniFormat);
}

QString groupFor(const std::string& key) {
    return QString::fromStdString(key).toLower().toUtf8().toHex();
}

// The window's frame moved just far enough to lie wholly on the screen nearest to it.
QRect ontoNearestScreen(QRect frame) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return frame;
    // Most overlap wins; with no overlap anywhere, the smallest distance.
    const auto closeness = [&frame](const QScreen* screen) -> qint64 {
        const QRect area = screen->availableGeometry();
        const QRect overlap = area.intersected(frame);
        if (overlap.isValid())
            return qint64(overlap.width()) * overlap.height();
        return -qint64((area.center() - frame.center()).manhattanLength());
    };
    const QScreen* nearest =
        *std::max_element(screens.begin(), screens.end(), [&](const QScreen* a, const QScreen* b) {
            return closeness(a) < closeness(b);
        });
    const QRect area = nearest->availableGeometry();
    frame.moveLeft(std::clamp(frame.left(), area.left(),
                              std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), area.top(),
                             std::max(area.top(), area.bottom() - frame.height() + 1)));
    return frame;
}

bool wellOnSomeScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(frame);
        if (overlap.width() >= std::min(frame.width(), 48) &&
            overlap.height() >= std::min(frame.height(), 16))
            return true;
    }
    return false;
}

} // namespace

ActiveResize::ActiveResize(QWidget* form, float designClientWidth, float designClientHeight)
    : QObject(form), form_(form), designClient_(designClientWidth, designClientHeight) {
    form->installEventFilter(this);
}

void ActiveResize::AddControl(QWidget* control, QRectF designTwips) {
    controls_.push_back({control, designTwips});
    Rescale();
}

void ActiveResize::Rescale() {
    const QRect client = form_->contentsRect();
    const double sx = Twips::FromPixels(client.width()) / designClient_.width();
    const double sy = Twips::FromPixels(client.height()) / designClient_.height();
    for (const Control& control : controls_) {
        const QRectF& d = control.design;
        control.widget->setGeometry(
            client.left() + Twips::ToPixels(static_cast<float>(d.left() * sx)),
            client.top() + Twips::ToPixels(static_cast<float>(d.top() * sy)),
            Twips::ToPixels(static_cast<float>(d.width() * sx)),
            Twips::ToPixels(static_cast<float>(d.height() * sy)));
    }
}

bool ActiveResize::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::ContentsRectChange))
        Rescale();
    return false;
}

QString ActiveResize::StoreFile() {
    if (!storeFileForTesting().isEmpty())
        return storeFileForTesting();
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Wingscribe"),
                     QStringLiteral("layouts"))
        .fileName();
}

void ActiveResize::SetStoreFileForTesting(const QString& file) {
    storeFileForTesting() = file;
}

void ActiveResize::SaveFormLayout(QWidget* form, bool, const std::string& key) {
    QSettings store = layoutStore();
    store.beginGroup(groupFor(key));
    store.setValue(QStringLiteral("frame"), form->frameGeometry());
    store.setValue(QStringLiteral("client"), form->geometry().size());
    store.endGroup();
    store.sync();
}

void ActiveResize::RestoreFormLayout(QWidget* form, bool, const std::string& key) {
    QSettings store = layoutStore();
    store.beginGroup(groupFor(key));
    const QRect frame = store.value(QStringLiteral("frame")).toRect();
    const QSize client = store.value(QStringLiteral("client")).toSize();
    store.endGroup();
    if (!frame.isValid() || !client.isValid())
        return;
    form->resize(client);
    QRect placed(frame.topLeft(), form->frameGeometry().size());
    if (!wellOnSomeScreen(placed))
        placed = ontoNearestScreen(placed);
    form->move(placed.topLeft());
}
