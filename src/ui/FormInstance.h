// SPDX-License-Identifier: GPL-3.0-or-later
// The one process-wide instance of a form: created at its first use, and forgotten when the
// form is unloaded, so that the next use builds it afresh from its design.
#pragma once

#include <QDialog>
#include <QFont>

template <typename Form> class FormInstance {
public:
    static Form& Get() {
        if (!instance_)
            instance_ = new Form;
        return *instance_;
    }
    static bool Exists() { return instance_ != nullptr; }

protected:
    FormInstance() = default;
    ~FormInstance() {
        if (instance_ && static_cast<FormInstance*>(instance_) == this)
            instance_ = nullptr;
    }

    // Closes a dialog form and discards it once the handlers on the stack have returned.
    static void Unload(QDialog& form) {
        form.done(QDialog::Accepted);
        if (&form == instance_)
            instance_ = nullptr;
        form.deleteLater();
    }

private:
    inline static Form* instance_ = nullptr;
};

// The typeface the forms are designed in, at a size in points.
inline QFont DesignFont(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    return font;
}
