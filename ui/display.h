#ifndef DISPLAY_H
#define DISPLAY_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class QTextEdit;
class QWidget;
class readout;

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
};

// The display: the read-outs and the status area, and the frame that brings them what the stream
// gathered since the last one.
class measurement_display : public QObject {
public:
    struct readouts {
        readout *velocity, *average, *temperature;
    };
    measurement_display(QWidget *window, readouts shown, QTextEdit *status);

    // What the next frame shows; the stream writes into it.
    display_frame next_frame;
    // Called once a frame, after the read-outs and the status area (the trend).
    std::function<void()> on_frame;

    // Shows what the next frame holds: at once after a quiet spell, else with the next frame.
    void show_in_next_frame();
    bool frame_pending() const { return frame_timer.isActive(); }
    // A line of the program's own in the status area, after what the instrument sent before it.
    void add_status_line(const QString &line);
    // Appends text to the status area now.
    void append_status(const QString &text);

private:
    void show_frame();
    void repaint_changes_alone();
    void state_direction(const QString &text);
    void shape_only_where_needed(const QString &text);

    QWidget *window;
    readouts shown;
    QTextEdit *status;
    QTimer frame_timer;
    QElapsedTimer since_last_frame;
};

#endif
