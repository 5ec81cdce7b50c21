// What the element records mean on the impedance plane: template
// instantiation, lens relations, polygon linking, and the pixel mapping that
// every drawing of an element or a setting line goes through.
#pragma once

#include <span>
#include <vector>

#include "base/pixel_limits.h"
#include "records/pict.h"

namespace qz {

class CFormulaParser;

// Fills the values of an element read in formula form from its formulas,
// with the parser's variables as bound by the caller.  Each result is stored
// rounded to single precision; error positions and texts are ignored.
void InstantiatePict(CPict& pict, CFormulaParser& parser);
void InstantiatePicts(PictList& list, CFormulaParser& parser);

// The chord from Z2 to Z1: length and angle in degrees.
PolarValue Chord(const PictPoint& z1, const PictPoint& z2);

// A circle whose deflection, or a lens whose inner angle less 90 degrees,
// has a cosine below this (in single precision) has a radius beyond 50,000
// chords; its limit, a straight line, is drawn instead.  On any plot the
// tool makes the two differ by far less than a pixel.
inline constexpr float kStraightCosine = 1e-5f;
// The cosines GetCircle and GetLensArcs divide the chord by.
float DeflectionCosine(float shiftAngle);
float LensCosine(float innerAngle);

// What a circle or lens tends to when its cosine vanishes: the circle to the
// whole line through Z1 and Z2; the lens, whose arcs run counter-clockwise
// around their centres, to its chord when the arcs were the short ones (an
// inner angle of 180 degrees) and to the line outside the chord when they
// were the long ones (0 degrees).  Without a chord there is no line.
enum class StraightLimit { kNone, kLine, kChord, kOutsideChord };
StraightLimit StraightLimitOf(const CPictMho& circle);
StraightLimit StraightLimitOf(const CPictLens& lens);

// Lens shape: inner angle (degrees), width A (ohms) and ratio A/B, where the
// long axis B is the chord length L.
struct LensShape {
    float fInnerAngle = 0;
    float fWidthA = 0;
    float fRatioAB = 0;
};
LensShape LensFromInnerAngle(float innerAngle, float chordLength);
// A keeps the value entered.
LensShape LensFromWidth(float widthA, float chordLength);
LensShape LensFromRatio(float ratioAB, float chordLength);

// Recomputes Z1 and Z2 of every line from its point Z and inclination so that
// consecutive lines meet and the last closes onto the first.
void LinkPolygon(std::span<CPictLine* const> lines);
// The same for the sides of a list: its lines, and its arcs with the centre
// as the point and the radius as the inclination (their start and end are
// set as a line's ends).  Circles and lenses have neither and are left out.
void LinkPolygon(PictList& list);

// Pixel mapping.  Every drawn coordinate stays within kPixelLimit of the
// layer's corner (base/pixel_limits.h): beyond it a shape could wrap around
// and smear across the plot.  Segments are clipped to that box; circles and
// arcs whose box leaves it are not drawn, since their visible part cannot be
// expressed with the primitives at such a size.

struct PixelMapping {
    int originX = 0, originY = 0;
    double scaleX = 1, scaleY = 1;

    // The pixel before truncation toward zero: origin + value x scale + 0.5,
    // X upward.
    double X(double R) const { return originX + R * scaleX + 0.5; }
    double Y(double X) const { return originY - X * scaleY + 0.5; }
};

// Pulls an end of a segment between unrounded pixels that lies beyond
// kFarLimit in along it toward the other end, so that cutting it to a box
// stays exact; false when a coordinate is not finite or both ends are far.
bool PullInFarEnd(double& x1, double& y1, double& x2, double& y2);

// Line from one unrounded pixel to another (both as the mapping gives them),
// clipped to the limit box; nothing when a coordinate is not finite, both
// ends lie beyond kFarLimit, or the segment misses the box.  Returns whether
// anything was drawn.
bool DrawSegment(gfx::CCanvas& dc, double x1, double y1, double x2, double y2);

}  // namespace qz
