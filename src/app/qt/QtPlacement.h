#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "core/presenters/WindowLayout.h"

namespace clipwarden {

/** Creates a child named and placed as the layout table says. */
template <typename Widget> Widget* Place(QWidget* parent, const layout::Control& control) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(control.name));
    widget->setGeometry(layout::Pixels(control.left), layout::Pixels(control.top),
                        layout::Pixels(control.width), layout::Pixels(control.height));
    return widget;
}

/** The small sans-serif face the layouts were drawn for, so that the captions fit. */
inline void ApplyFormFont(QWidget* form) {
    QFont font = form->font();
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    font.setPixelSize(11);
    form->setFont(font);
}

} // namespace clipwarden
