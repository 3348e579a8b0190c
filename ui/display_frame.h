#ifndef DISPLAY_FRAME_H
#define DISPLAY_FRAME_H

#include <QString>
#include <array>
#include <optional>

// The read-outs and the status area are updated at most once a frame: the first change after a
// frame starts a single-shot timer of this length, and its frame shows everything gathered
// meanwhile. The screen may be at most 70 ms behind the last record (people notice a lag from
// about 100 ms). 67 ms with the frame's own millisecond or two keeps within that, and is the
// shortest interval in which records 33 ms apart (30 a second) come three to a frame rather than
// two: a third fewer frames. Readings 100 ms apart still get a frame each.
constexpr int display_frame_ms = 67;

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

    // The read-outs' texts in the order a pass updates them, as frmain::readouts() lists them.
    std::array<std::optional<QString> *, 3> readout_texts() {
        return {&temperature, &average, &velocity};
    }
};

#endif
