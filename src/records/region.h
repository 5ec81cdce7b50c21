// A zone's characteristic as a region of the R-X plane: where a ray from
// Z = 0 crosses its outline, how far the zone reaches along the ray, and
// whether an impedance lies inside.  Everything is computed from the pieces
// the plot draws (Outlines, and the straight limits unbounded), so what is
// reported is what is shown.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/pict.h"
#include "records/setting.h"

namespace qz {

// A point of the outline on a ray from Z = 0.
struct RayCrossing {
    double distance = 0;  // |Z|
    double R = 0, X = 0;
};

// The point at `distance` along the ray at `degrees`, on an axis exactly.
RayCrossing PointAlong(double degrees, double distance);

struct RayReach {
    // Nearest first; crossings closer than a billionth of the zone's size
    // (a ray through a vertex) are one.
    std::vector<RayCrossing> crossings;
    // The farthest crossing where the ray leaves the region; none when it
    // never enters, or never leaves, or the elements bound no region.
    std::optional<RayCrossing> reach;
};

// How far a reach may lie from its setting: a share of the reach with a
// floor in ohms, or, for a quadrilateral, separate ohms along R and X.
struct ReachTolerance {
    double share = 0, ohms = 0;
    bool alongRX = false;
    double ohmsR = 0, ohmsX = 0;
};

// The reach's band along its ray: from inner to outer |Z|.
struct ReachBand {
    double inner = 0, outer = 0;
};

// Along R and X the band is the box of +-ohmsR by +-ohmsX about the reach
// point, taken as far as that box stretches along the ray; otherwise the
// larger of share x reach and ohms on either side.  Never inside Z = 0.
ReachBand BandOf(const RayCrossing& reach, const ReachTolerance& tolerance);

class CZoneRegion {
  public:
    // A polygon's ends must meet within this share of its size.
    static constexpr double kClosure = 1e-4;

    // The region of one zone's elements, which need not outlive it: a
    // circle's disc (a half-plane at its straight limit), a lens's region
    // (nothing at 180 degrees, everything at 0), or what the linked lines
    // and arcs of a polygon enclose.
    explicit CZoneRegion(std::span<const CPict* const> elements);

    // Why the elements bound no region; empty when they bound one.
    const std::string& Fault() const { return fault; }
    // Inside the region; false when there is none.  A point on the outline
    // may go either way.
    bool Contains(double R, double X) const;
    // The crossings and the reach along the ray at `degrees`, counter-
    // clockwise from +R.
    RayReach Along(double degrees) const;

    struct Piece;

  private:
    enum class Kind { kNone, kOutline, kHalfPlane, kEmpty, kWhole };
    bool Closes(std::vector<Piece> open);

    Kind kind = Kind::kNone;
    std::string fault;
    std::vector<Piece> pieces;
    double size = 0;  // the largest absolute coordinate the elements reach
    // kHalfPlane: a point of its edge and the normal pointing inside.
    double edgeR = 0, edgeX = 0, inR = 0, inX = 0;
};

struct CZoneRegion::Piece {
    enum Kind { kSegment, kArc, kLine, kRay };
    Kind kind = kSegment;
    // Segment: from a to b.  Line and ray: through a, along b - a, a ray
    // starting at a.  Arc: counter-clockwise around c from angle start over
    // span (radians, up to a whole turn), its ends a and b on the circle;
    // reversed when the outline runs it the other way.
    double aR = 0, aX = 0, bR = 0, bX = 0;
    double cR = 0, cX = 0, radius = 0, start = 0, span = 0;
    bool reversed = false;
};

// The directions of the setting's lines, in degrees, each once.
std::vector<double> SettingAngles(const ZoneSetting& setting);

// A test shot along the ray at `angle`: inside the band, expected to trip,
// or beyond it, expected not to.
struct Shot {
    double angle = 0;
    bool inside = false;
    std::optional<RayCrossing> at;  // none where the zone has no reach, or is too shallow
};

// Per angle a shot at the band's inner |Z| x (1 - margin) and one at its
// outer |Z| x (1 + margin).
std::vector<Shot> ShotsOf(const CZoneRegion& region, std::span<const double> angles,
                          const ReachTolerance& tolerance, double margin);

}  // namespace qz
