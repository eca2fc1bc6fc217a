#include "core/gamefiles/CitySketch.h"

#include <algorithm>
#include <cmath>

#include "core/gamefiles/ReplayTexts.h"

namespace clipwarden {

namespace {

/** The least span of the view, so that a ped standing still still shows the streets around. */
constexpr float kLeastSpan = 400;
/** Room around the path, as a share of its span. */
constexpr float kMargin = 0.15F;
/** The whole city, for a replay with no known position. */
constexpr SketchBox kCity = {-1900, 1300, -1850, 1700};

bool Finite(float value) {
    return std::isfinite(value) && std::fabs(value) < 1e6F;
}

void Include(SketchBox& box, float x, float y) {
    box.left = std::min(box.left, x);
    box.right = std::max(box.right, x);
    box.bottom = std::min(box.bottom, y);
    box.top = std::max(box.top, y);
}

/** The district whose box holds the point, the smallest of those that do. */
const District* DistrictAt(const std::vector<District>& districts, float x, float y) {
    const District* best = nullptr;
    for (const District& district : districts) {
        if (x >= district.xFrom && x <= district.xTo && y >= district.yFrom && y <= district.yTo &&
            (best == nullptr || (district.xTo - district.xFrom) * (district.yTo - district.yFrom) <
                                    (best->xTo - best->xFrom) * (best->yTo - best->yFrom))) {
            best = &district;
        }
    }
    return best;
}

void Widen(float& from, float& to) {
    const float span = to - from;
    const float grown = std::max(span * (1 + 2 * kMargin), kLeastSpan);
    const float middle = (from + to) / 2;
    from = middle - grown / 2;
    to = middle + grown / 2;
}


} // namespace

CitySketch MakeCitySketch(const ReplayDetails& details, const GameNames& names) {
    CitySketch sketch;
    for (const auto& point : details.path) {
        if (Finite(point[0]) && Finite(point[1])) {
            sketch.path.push_back(point);
        }
    }
    const std::vector<District> districts = names.Districts();
    if (sketch.path.empty()) {
        sketch.view = kCity;
        sketch.description = "No path: the player's position is unknown in this replay";
    } else {
        const auto& first = sketch.path.front();
        const auto& last = sketch.path.back();
        sketch.view = {first[0], first[0], first[1], first[1]};
        for (const auto& point : sketch.path) {
            Include(sketch.view, point[0], point[1]);
        }
        // The names of the districts where the path starts and ends are in the picture too.
        for (const auto* end : {&first, &last}) {
            if (const District* district = DistrictAt(districts, (*end)[0], (*end)[1])) {
                const SketchBox whole = {district->xFrom, district->xTo, district->yFrom,
                                         district->yTo};
                const auto spot = NameSpot(*district, whole);
                Include(sketch.view, spot[0], spot[1]);
            }
        }
        Widen(sketch.view.left, sketch.view.right);
        Widen(sketch.view.bottom, sketch.view.top);
        const std::string from = PlaceOf(details.start, details.interiorStart, names);
        const std::string to = PlaceOf(details.end, details.interior, names);
        const std::string where = from.empty()               ? std::string("Path")
                                  : to.empty() || to == from ? "Path in " + from
                                                             : "Path from " + from + " to " + to;
        sketch.description = where + ", " + MetresText(details.metres);
    }
    sketch.districts = districts;
    return sketch;
}

SketchFit::SketchFit(const SketchBox& view, double width, double height)
    : left_(view.left), top_(view.top) {
    const double spanX = std::max(1.0, double{view.right} - view.left);
    const double spanY = std::max(1.0, double{view.top} - view.bottom);
    scale_ = std::max(0.0, std::min(width / spanX, height / spanY));
    offsetX_ = (width - spanX * scale_) / 2;
    offsetY_ = (height - spanY * scale_) / 2;
    const double unit = scale_ > 0 ? 1 / scale_ : 0;
    visible_ = {static_cast<float>(left_ - offsetX_ * unit),
                static_cast<float>(left_ + (width - offsetX_) * unit),
                static_cast<float>(top_ - (height - offsetY_) * unit),
                static_cast<float>(top_ + offsetY_ * unit)};
}

bool InView(const District& district, const SketchBox& view) {
    return district.xTo >= view.left && district.xFrom <= view.right &&
           district.yTo >= view.bottom && district.yFrom <= view.top;
}

std::array<float, 2> NameSpot(const District& district, const SketchBox& view) {
    const float left = std::max(district.xFrom, view.left);
    const float right = std::min(district.xTo, view.right);
    const float bottom = std::max(district.yFrom, view.bottom);
    const float top = std::min(district.yTo, view.top);
    return {(left + right) / 2, (bottom + top) / 2};
}

} // namespace clipwarden
