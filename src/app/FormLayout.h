#pragma once

#include <QString>
#include <QWidget>

namespace clipwarden {

/** Twips of the window layouts to pixels at 96 DPI. */
constexpr int Twips(int twips) {
    return (twips + 7) / 15;
}

/** Creates a named child at a position and size given in twips. */
template <typename Widget>
Widget* Place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
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
