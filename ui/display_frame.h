#ifndef DISPLAY_FRAME_H
#define DISPLAY_FRAME_H

#include <QString>
#include <optional>

// The read-outs and the status area are updated at most once a frame: the first change after a
// frame starts a single-shot timer of this length, and its frame shows everything gathered
// meanwhile. Short enough that, with the frame's own millisecond or two, the screen is never more
// than 40 ms behind the last record, and that readings 100 ms apart each get a frame of their
// own; long enough that at line speed a frame carries a score of records, and at 30 a second two.
constexpr int display_frame_ms = 37;

// A change this long after the last frame is shown at once: readings at up to 10 a second get
// their frame without waiting for the timer.
constexpr int display_quiet_ms = 90;

// What the next frame shows: the read-outs' latest texts, and the status text since the last
// frame.
struct display_frame {
    std::optional<QString> temperature;
    std::optional<QString> average;
    std::optional<QString> velocity;
    QString status;
};

#endif
