#include "link/line_state.h"
#include "ui/message.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

bool press_allowed(port_phase port, bool sequence_running, press pressed) {
    if (sequence_running)
        return false;
    // In the pause after opening a click closes the port at once; the rest wait for it to end.
    return port != port_phase::opening || pressed == press::open_close;
}

bool shows_closed(port_phase port) {
    return port == port_phase::closed || port == port_phase::waiting;
}

line_state::line_state(const controls &c, bool &config_busy, QWidget *window)
    : QObject(window), c(c), config_busy(config_busy) {}

bool line_state::shows_closed() const {
    return c.open_button->text() == QStringLiteral("打开串口");
}

void line_state::set_port(port_phase p) {
    const bool was_locked = locked();
    phase = p;
    c.open_button->setText(::shows_closed(p) ? QStringLiteral("打开串口")
                                             : QStringLiteral("关闭串口"));
    for (QWidget *w : c.line_settings)
        w->setEnabled(::shows_closed(p));
    update_controls(was_locked);
}

void line_state::begin_sequence() {
    const bool was_locked = locked();
    config_busy = true;
    update_controls(was_locked);
}

void line_state::end_sequence() {
    const bool was_locked = locked();
    config_busy = false;
    update_controls(was_locked);
    // Once the slot that ended the sequence has returned.
    QTimer::singleShot(0, this, [this] { run_due(); });
}

// A refused press is refused where the operator sees it: its button is disabled meanwhile, and
// comes back as it was.
void line_state::update_controls(bool was_locked) {
    const bool now_locked = locked();
    c.open_button->setEnabled(!config_busy);
    if (on_change)
        on_change();
    if (now_locked == was_locked)
        return;
    if (now_locked) {
        enabled_before_lock.clear();
        for (QWidget *w : c.presses) {
            enabled_before_lock << w->isEnabled();
            w->setEnabled(false);
        }
    } else {
        for (int i = 0; i < c.presses.size() && i < enabled_before_lock.size(); ++i)
            c.presses[i]->setEnabled(enabled_before_lock[i]);
    }
}

void line_state::show_when_free(const QString &text) {
    after_sequence(text, [this, text] { show_message(text, &open_box); });
    QTimer::singleShot(0, this, [this] { run_due(); });
}

void line_state::withdraw(const QString &text) {
    due.remove(text);
    if (open_box && open_box->text() == text)
        open_box->done(QMessageBox::Ok);
}

void line_state::after_sequence(const QString &key, std::function<void()> action) {
    due.insert(key, std::move(action));
}

// What came due (during the sequence, or in the slot that raised a box); what finds a new
// sequence running waits for its end.
void line_state::run_due() {
    while (!config_busy && !due.isEmpty()) {
        const std::function<void()> action = due.take(due.firstKey());
        action();
    }
}
