// What the raster and the vector canvases of Cairo share, so that both put
// an ellipse, an arc and a label at the same place.
#pragma once

#include <cairo.h>

#include <cmath>

#include "base/helpers.h"
#include "gfx/canvas.h"

namespace qz::gfx {

// Stands in for "宋体" and any other face: a Song-style face with the CJK
// glyphs of the labels, the one Wine's 宋体 takes its Chinese from.
inline constexpr const char* kStandInFace = "AR PL UMing CN";

// Selects the stand-in face at the font's size; returns the ascent in whole
// units.  A negative height is the em size, as for GDI's character height; a
// positive one the whole cell, 0 the default.
inline int SelectStandInFont(cairo_t* cr, const Font& font) {
    cairo_select_font_face(cr, kStandInFace, CAIRO_FONT_SLANT_NORMAL,
                           font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_font_extents_t extents;
    if (font.height < 0) {
        cairo_set_font_size(cr, -double(font.height));
    } else {
        double cell = font.height > 0 ? font.height : 16;
        cairo_set_font_size(cr, cell);
        cairo_font_extents(cr, &extents);
        double full = extents.ascent + extents.descent;
        cairo_set_font_size(cr, full > 0 ? cell * cell / full : cell);
    }
    cairo_font_extents(cr, &extents);
    return RoundToInt(extents.ascent);
}

// The ellipse in a GDI box (sorted, wider than one pixel) as a path whose
// outline runs through the centres of the box's outer pixels; with `rays`
// only the arc counter-clockwise on the screen from rays[0] to rays[1].
// `join` adds it to the path as a piece of its own.
inline void EllipseOutline(cairo_t* cr, int left, int top, int right, int bottom,
                           const double* rays, bool join = false) {
    const double rx = (right - left - 1) / 2.0, ry = (bottom - top - 1) / 2.0;
    if (join)
        cairo_new_sub_path(cr);
    else
        cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, (left + right) / 2.0, (top + bottom) / 2.0);
    cairo_scale(cr, rx, ry);
    if (rays) {
        // Decreasing angles with y downward run counter-clockwise on the screen.
        cairo_arc_negative(cr, 0, 0, 1, rays[0], rays[1]);
    } else {
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_close_path(cr);
    }
    cairo_restore(cr);
}

// The pen's dashes for the next strokes, or none.
inline void SetDash(cairo_t* cr, const Pen& pen) {
    static constexpr double kDashes[2] = {Pen::kDashOn, Pen::kDashOff};
    cairo_set_dash(cr, kDashes, pen.style == Pen::kDash ? 2 : 0, 0);
}

// The rays of GDI's Arc in the box's own coordinates, so that a point on the
// box's edge midpoints gives a whole multiple of 90 degrees; rays[1] is at
// most rays[0].  Returns true when they coincide: the whole ellipse.
inline bool ArcRays(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye,
                    double rays[2]) {
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = std::abs(double(right) - left) / 2, ry = std::abs(double(bottom) - top) / 2;
    rays[0] = std::atan2((ys - cy) / ry, (xs - cx) / rx);
    rays[1] = std::atan2((ye - cy) / ry, (xe - cx) / rx);
    const bool full = std::abs(rays[1] - rays[0]) < 1e-12;
    if (rays[1] > rays[0]) rays[1] -= 2 * kPi;
    return full;
}

}  // namespace qz::gfx
