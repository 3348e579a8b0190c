#ifndef TERMINAL_SPEED_H
#define TERMINAL_SPEED_H

#include <termios.h>

// The instrument's baud rates and their terminal speeds: one table for the simulator and the
// tests' pseudo-terminals, both directions.
struct baud_speed_pair {
    int baud;
    speed_t speed;
};
inline constexpr baud_speed_pair baud_speeds[] = {
    {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}};

// 0 for a rate the instrument does not have.
inline speed_t baud_speed(int baud) {
    for (const baud_speed_pair &p : baud_speeds)
        if (p.baud == baud)
            return p.speed;
    return 0;
}

// -1 for a speed the instrument does not have.
inline int baud_of(speed_t speed) {
    for (const baud_speed_pair &p : baud_speeds)
        if (p.speed == speed)
            return p.baud;
    return -1;
}

#endif
