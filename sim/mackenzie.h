#ifndef MACKENZIE_H
#define MACKENZIE_H

// Speed of sound in sea water (m/s), Mackenzie's nine-term equation (1981): temperature in
// degrees Celsius, salinity in parts per thousand, depth in metres. Valid for 2-30 degC,
// 25-40 ppt and 0-8000 m; its published check value is 1550.744 m/s at 25 degC, 35 ppt, 1000 m.
constexpr double mackenzie_velocity(double t, double s, double d) {
    return 1448.96 + 4.591 * t - 5.304e-2 * t * t + 2.374e-4 * t * t * t + 1.340 * (s - 35) +
           1.630e-2 * d + 1.675e-7 * d * d - 1.025e-2 * t * (s - 35) - 7.139e-13 * t * d * d * d;
}

#endif
