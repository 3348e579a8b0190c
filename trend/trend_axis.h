#ifndef TREND_AXIS_H
#define TREND_AXIS_H

#include <QtGlobal>

// A value axis around the shown data: a margin either side, tick values at round steps (1, 2 or
// 5 times a power of ten) and the decimals their labels need. A constant series still gets a
// range a few of its last digits wide.
struct value_axis {
    double low = 0;
    double high = 1;
    double step = 0.5;
    int decimals = 1;
};
value_axis fit_value_axis(double min, double max, int most_ticks);

// The step between time ticks, a round number of seconds, minutes or hours, so that a span of
// span_ms holds no more than most_ticks of them.
qint64 time_tick_step(qint64 span_ms, int most_ticks);

#endif
