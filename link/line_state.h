#ifndef LINE_STATE_H
#define LINE_STATE_H

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class QMessageBox;
class QPushButton;
class QWidget;

// Where the port stands. The open button's caption is the record of closed or not.
enum class port_phase {
    closed,
    opening, // open, in the pause before it is read
    open,
    waiting, // lost: closed, and watched for its return
};

// What the operator can press.
enum class press { open_close, sequence, record, point_count };

// Whether a press may run now. Pressed while a sequence paces the line, or in the pause after
// opening (where replies would be recorded as data), anything but closing would be refused.
bool press_allowed(port_phase port, bool sequence_running, press pressed);
// Whether the open button offers to open: closed, or lost and watched.
bool shows_closed(port_phase port);

// The line's state, in one place: the port's phase, whether a configuration sequence runs, and
// what waits for the sequence's end. It keeps the controls in step: the open button's caption,
// the line settings locked while the port is not closed, and the buttons a press needs disabled
// while that press would be refused.
class line_state : public QObject {
public:
    struct controls {
        QPushButton *open_button;
        QVector<QWidget *> line_settings; // locked unless the port is closed
        QVector<QWidget *> presses;       // refused during a sequence and the opening
    };
    line_state(const controls &c, bool &config_busy, QWidget *window);

    port_phase port() const { return phase; }
    bool sequence_running() const { return config_busy; }
    bool allows(press pressed) const { return press_allowed(phase, config_busy, pressed); }
    // Whether the open button offers to open.
    bool shows_closed() const;

    void set_port(port_phase p);
    void begin_sequence();
    void end_sequence();

    // A box raised while the port is read or a sequence runs: shown once the slot that raised it
    // has returned (the read goes on while it is open), and not before the sequence has ended, as
    // its event loop would hold the sequence's pause open. Once each, however often raised.
    void show_when_free(const QString &text);
    // Runs action once the sequence has ended; an action due under the same key runs once.
    void after_sequence(const QString &key, std::function<void()> action);
    // A box no longer true: not shown if it is still due, closed if it is open.
    void withdraw(const QString &text);

    // Called after every change of the port's phase or of a sequence.
    std::function<void()> on_change;

    // Set once Qt refuses to run event loops (the application is quitting): waits end at once
    // and nothing more is written.
    bool quitting = false;

private:
    bool locked() const { return config_busy || phase == port_phase::opening; }
    void update_controls(bool was_locked);
    void run_due();

    controls c;
    bool &config_busy;
    port_phase phase = port_phase::closed;
    QVector<bool> enabled_before_lock;
    // What waits for the line to be free, once each: boxes under their text, other actions
    // under their key.
    QMap<QString, std::function<void()>> due;
    QPointer<QMessageBox> open_box;
};

#endif
