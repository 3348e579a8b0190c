#include "trend/trend_axis.h"

#include <algorithm>
#include <cmath>

namespace {
double round_step(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= rough * (1 - 1e-9))
            return m * power;
    return 10 * power;
}
} // namespace

value_axis fit_value_axis(double min, double max, int most_ticks) {
    value_axis axis;
    if (!std::isfinite(min) || !std::isfinite(max) || min > max)
        return axis;
    double range = max - min;
    const double least = std::max(std::abs(max + min) / 2 * 1e-5, 0.005);
    if (range < least) {
        const double middle = (max + min) / 2;
        min = middle - least;
        max = middle + least;
        range = max - min;
    }
    axis.low = min - range * 0.08;
    axis.high = max + range * 0.08;
    axis.step = round_step((axis.high - axis.low) / std::max(1, most_ticks));
    axis.decimals = std::max(0, int(-std::floor(std::log10(axis.step) + 1e-9)));
    return axis;
}

qint64 time_tick_step(qint64 span_ms, int most_ticks) {
    static constexpr qint64 steps[] = {1000,    2000,    5000,     10000,    15000,    30000,
                                       60000,   120000,  300000,   600000,   900000,   1800000,
                                       3600000, 7200000, 10800000, 21600000, 43200000, 86400000};
    const qint64 ticks = std::max(1, most_ticks);
    for (const qint64 step : steps)
        if (span_ms / step <= ticks)
            return step;
    qint64 days = 86400000;
    while (span_ms / days > ticks)
        days *= 2;
    return days;
}
