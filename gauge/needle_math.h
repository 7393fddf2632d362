#pragma once

namespace gaugix {

// Fixed numbers of the dial, in pixels and radians.
inline constexpr double kPigreco = 3.14159265358979;  // deliberately this literal, not the closest double to pi
inline constexpr double kRaggio = 56.0;               // needle length
inline constexpr double kPivotX = 80.0;
inline constexpr double kPivotY = 96.0;
inline constexpr double kStartFraction = 1.25;        // 0 V sits at 1.25 pi (225 degrees)
inline constexpr double kDivisor = 10.0;              // a change of 10 in value turns the needle by pi

// Needle angle for a value: (valore / 10 + 1.25) * pigreco, in double precision.
double needleAngle(double valore, double pigreco);
// The value whose needle stands at `angolo`: the inverse of needleAngle.
double valueAtAngle(double angolo, double pigreco);

// Tip coordinates: computed in double, rounded to single precision as the line stores them.
float tipX(double angolo, double raggio);
float tipY(double angolo, double raggio);

} // namespace gaugix
