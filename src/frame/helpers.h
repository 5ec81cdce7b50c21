// Number texts and impedance arithmetic shared by every part of the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/text.h"

namespace qz {

// An impedance in rectangular form (ohms) and in polar form (ohms, degrees).
struct RectValue {
    float R = 0, X = 0;
};
struct PolarValue {
    float mag = 0, ang = 0;
};

// The longest leading run of "+-.1234567890" read as a decimal number; 0 when
// it forms none.  Never an error.
float TextToNumber(TextView text);
// The same for a run already taken from a text (characters of "+-.0123456789").
float NumberFromRun(const char* first, const char* last);
float TextToNumberInRange(TextView text, float maximum, float minimum);
// Limits to [minimum, maximum], or wraps by 360 when the limits are 360 and -360.
float ClampOrWrap(float value, float maximum, float minimum);

RectValue PolarToRect(float magnitude, float angle);
PolarValue RectToPolar(float R, float X);
PolarValue AddPolar(PolarValue a, PolarValue b);
PolarValue SubPolar(PolarValue a, PolarValue b);

// "%f" of the float widened to double (six decimals, rounded half to even
// as the C library does) into `out` (at least 64 chars); returns the length.
std::size_t FormatFixed6(float value, char* out);

// Float to int32 the way the x86 conversion does it: toward zero, and the
// "integer indefinite" INT32_MIN for NaN and values out of range.
std::int32_t TruncToInt32(float value);

}  // namespace qz
