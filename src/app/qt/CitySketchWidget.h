#pragma once

#include <QWidget>

#include "core/gamefiles/CitySketch.h"

namespace clipwarden {

/** The sketch of the city in the Library's details pane: the districts near a replay's path,
 *  their names, and the path, its start a circle and its end a square. */
class CitySketchWidget final : public QWidget {
    Q_OBJECT

public:
    explicit CitySketchWidget(QWidget* parent);

    /** Shows `sketch`; nothing at all while there is none. */
    void Show(CitySketch sketch);
    void Clear();
    [[nodiscard]] const CitySketch* sketch() const { return shown_ ? &sketch_ : nullptr; }

    [[nodiscard]] QSize sizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CitySketch sketch_;
    bool shown_ = false;
};

} // namespace clipwarden
