#include "needle_math.h"

#include <cmath>

namespace gaugix {

double needleAngle(double valore, double pigreco)
{
    return (valore / kDivisor + kStartFraction) * pigreco;
}

double valueAtAngle(double angolo, double pigreco)
{
    return (angolo / pigreco - kStartFraction) * kDivisor;
}

float tipX(double angolo, double raggio)
{
    return static_cast<float>(std::cos(angolo) * raggio + kPivotX);
}

float tipY(double angolo, double raggio)
{
    return static_cast<float>(std::sin(angolo) * raggio + kPivotY);
}

} // namespace gaugix
