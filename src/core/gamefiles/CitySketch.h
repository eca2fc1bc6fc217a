#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/gamefiles/GameNames.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

/** A box of the world seen from above, in metres; y grows to the north. */
struct SketchBox {
    float left = 0;
    float right = 0;
    float bottom = 0;
    float top = 0;
};

/** What the Library's sketch of the city draws for one replay: the districts near the path,
 *  the path itself (start first), and what it says to a screen reader. Both windows draw it
 *  alike, each with its own painter. */
struct CitySketch {
    SketchBox view;                  ///< what is in the picture: the path, zoomed, and the names
    std::vector<District> districts; ///< all of them: a picture wider than the view shows more
    std::vector<std::array<float, 2>> path;
    /** "Path from Ocean Beach to Vice Point, 310 m"; says why when there is no path. */
    std::string description;
};

/** The sketch of a replay's path among the districts the game folder names (else the standard
 *  ones). Without a known position it shows the whole city and says so. */
CitySketch MakeCitySketch(const ReplayDetails& details, const GameNames& names);

/** Where the world lands in a picture `width` × `height` pixels big: the view fitted inside it,
 *  its aspect kept, centred. */
class SketchFit {
public:
    SketchFit(const SketchBox& view, double width, double height);
    /** The pixel of a world point; y grows downwards, as on a screen. */
    [[nodiscard]] std::array<double, 2> operator()(double x, double y) const {
        return {offsetX_ + (x - left_) * scale_, offsetY_ + (top_ - y) * scale_};
    }
    /** The part of the world the whole picture shows, the view and what lies beside it. */
    [[nodiscard]] SketchBox Visible() const { return visible_; }

private:
    double left_ = 0;
    double top_ = 0;
    double scale_ = 1;
    double offsetX_ = 0;
    double offsetY_ = 0;
    SketchBox visible_;
};

/** Whether any of the district's box lies in `view`. */
bool InView(const District& district, const SketchBox& view);

/** Where a district's name goes: the middle of the part of its box that is in view. */
std::array<float, 2> NameSpot(const District& district, const SketchBox& view);

} // namespace clipwarden
