// Cutting a segment to a box, for the canvases that draw pixels themselves.
#pragma once

#include <algorithm>

namespace qz::gfx {

// Liang-Barsky: cuts the segment to the box; false if nothing is left.
inline bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double loX, double loY,
                        double hiX, double hiY) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const double ox = x0, oy = y0;
    if (t1 < 1) x1 = ox + t1 * dx, y1 = oy + t1 * dy;
    if (t0 > 0) x0 = ox + t0 * dx, y0 = oy + t0 * dy;
    return true;
}

}  // namespace qz::gfx
