#include "ui/frmain.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTextEdit>

void frmain::show_in_next_frame() {
    if (!frame_timer.isActive())
        frame_timer.start();
}

// The read-outs' rounded corners and the scroll bar's edge let the group boxes behind them show
// through, so every new reading had Qt repaint those boxes too, and Fusion draws them by
// stretching a picture: the dearest part of a frame. What lies behind never changes, and the
// backing store keeps it once the window has been painted: from then on these widgets are
// repainted alone. (Their style sheet clears the attribute when it polishes them, so it is set
// here and not when they are built.)
void frmain::repaint_changes_alone() {
    if (!testAttribute(Qt::WA_Mapped))
        return;
    QWidget *const alone[] = {velocity_edit, avg_velocity_edit, temperature_edit,
                              staus_show->verticalScrollBar()};
    for (QWidget *w : alone)
        if (!w->testAttribute(Qt::WA_OpaquePaintEvent))
            w->setAttribute(Qt::WA_OpaquePaintEvent);
}

// In the order a pass updates them: temperature, average, velocity, then the status area in one
// insert. A read-out whose text is unchanged is left alone, so it is not repainted.
void frmain::show_frame() {
    repaint_changes_alone();
    const std::pair<std::optional<QString> *, QLineEdit *> readouts[] = {
        {&next_frame.temperature, temperature_edit},
        {&next_frame.average, avg_velocity_edit},
        {&next_frame.velocity, velocity_edit}};
    for (const auto &[text, edit] : readouts) {
        if (*text && edit->text() != **text)
            edit->setText(**text);
        text->reset();
    }
    if (!next_frame.status.isEmpty()) {
        append_status(next_frame.status);
        next_frame.status.resize(0); // keeps its buffer for the next frame
    }
}
