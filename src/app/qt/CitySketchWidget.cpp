#include "app/qt/CitySketchWidget.h"

#include <QPainter>
#include <QPainterPath>

#include "app/qt/QtText.h"

namespace clipwarden {

CitySketchWidget::CitySketchWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("citySketch"));
    setAccessibleName(QStringLiteral("City sketch"));
    setMinimumSize(160, 80);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CitySketchWidget::Show(CitySketch sketch) {
    sketch_ = std::move(sketch);
    shown_ = true;
    setAccessibleDescription(FromBytes(sketch_.description));
    setToolTip(FromBytes(sketch_.description));
    update();
}

void CitySketchWidget::Clear() {
    shown_ = false;
    sketch_ = {};
    setAccessibleDescription({});
    setToolTip({});
    update();
}

void CitySketchWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!shown_) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const SketchFit fit(sketch_.view, width(), height());
    const auto at = [&fit](double x, double y) {
        const auto pixel = fit(x, y);
        return QPointF(pixel[0], pixel[1]);
    };
    const QColor text = palette().text().color();
    QColor land = palette().highlight().color();
    land.setAlpha(28);
    QColor edge = text;
    edge.setAlpha(90);
    painter.setClipRect(rect());
    painter.setPen(QPen(edge, 1));
    painter.setBrush(land);
    const SketchBox visible = fit.Visible();
    for (const District& district : sketch_.districts) {
        if (!InView(district, visible)) {
            continue;
        }
        painter.drawRect(
            QRectF(at(district.xFrom, district.yTo), at(district.xTo, district.yFrom)));
    }
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    painter.setFont(small);
    QColor names = text;
    names.setAlpha(160);
    painter.setPen(names);
    for (const District& district : sketch_.districts) {
        if (!InView(district, visible)) {
            continue;
        }
        const auto spot = NameSpot(district, visible);
        const QPointF centre = at(spot[0], spot[1]);
        const QRectF box(centre.x() - 80, centre.y() - 10, 160, 20);
        painter.drawText(box, Qt::AlignCenter, FromBytes(district.name));
    }
    if (sketch_.path.empty()) {
        return;
    }
    QPainterPath path(at(sketch_.path.front()[0], sketch_.path.front()[1]));
    for (const auto& point : sketch_.path) {
        path.lineTo(at(point[0], point[1]));
    }
    const QColor route = palette().highlight().color();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(route, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    // The start a circle, the end a square: told apart without colour too.
    painter.setPen(QPen(text, 1.5));
    painter.setBrush(QColor(40, 160, 70));
    painter.drawEllipse(at(sketch_.path.front()[0], sketch_.path.front()[1]), 5, 5);
    painter.setBrush(QColor(200, 50, 50));
    const QPointF end = at(sketch_.path.back()[0], sketch_.path.back()[1]);
    painter.drawRect(QRectF(end.x() - 4.5, end.y() - 4.5, 9, 9));
}

} // namespace clipwarden
