#pragma once
// The step between a time axis's ticks: 1, 2 or 5 times a power of ten that cuts
// `length` into at most about ten parts.

#include <cmath>

inline double tickStep(double length)
{
    const double rough = length / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough)
            return factor * power;
    return 10.0 * power;
}
