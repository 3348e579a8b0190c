#include "ui/frmain.h"
#include "ui/status_area.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextEdit>

// A reading that comes after a quiet spell is shown at once, which spares a wakeup per reading at
// the instrument's usual rates; within a spell the frame waits and gathers what comes.
void frmain::show_in_next_frame() {
    if (frame_timer.isActive())
        return;
    const bool quiet =
        !since_last_frame.isValid() || since_last_frame.elapsed() >= display_quiet_ms;
    frame_timer.start(quiet ? 0 : display_frame_ms);
}

// The read-outs and the scroll bar's edge let the group boxes behind them show through, so every
// new reading had Qt repaint those boxes too, and Fusion draws them by stretching a picture: the
// dearest part of a frame. Once the window has been painted the read-outs keep a picture of what
// lies behind them, and the scroll bar paints every pixel of its own: from then on these widgets
// are repainted alone. (The style sheet clears the attribute when it polishes the scroll bar, so
// it is set here and not when it is built.)
void frmain::repaint_changes_alone() {
    if (!testAttribute(Qt::WA_Mapped))
        return;
    for (readout *r : readouts())
        r->keep_background();
    QScrollBar *bar = staus_show->verticalScrollBar();
    if (!bar->testAttribute(Qt::WA_OpaquePaintEvent))
        bar->setAttribute(Qt::WA_OpaquePaintEvent);
}

// In the order a pass updates them: temperature, average, velocity, then the status area in one
// insert (a flood's backlog in several). A read-out whose text is unchanged is left alone, so it
// is not repainted.
void frmain::show_frame() {
    repaint_changes_alone();
    const auto texts = next_frame.readout_texts();
    const auto edits = readouts();
    for (size_t i = 0; i < edits.size(); ++i) {
        std::optional<QString> &text = *texts[i];
        if (text && edits[i]->text() != *text)
            edits[i]->show_text(*text);
        text.reset();
    }
    since_last_frame.start();

    QString &pending = next_frame.status;
    if (!pending.isEmpty()) {
        // What an area's worth of newer lines follows would be trimmed as soon as it was in.
        pending.remove(0, all_but_last_lines_length(pending, status_max_lines));
        const int this_insert = first_lines_length(pending, status_lines_per_insert);
        append_status(this_insert == pending.size() ? pending : pending.left(this_insert));
        pending.remove(0, this_insert); // keeps its buffer for the next frame
        if (!pending.isEmpty())
            frame_timer.start(0); // the rest of a flood's backlog, once the port has been read
    }
    // Paint the frame now rather than in one more turn of the event loop.
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}
