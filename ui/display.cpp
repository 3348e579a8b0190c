#include "ui/display.h"
#include "ui/readout.h"
#include "ui/status_area.h"
#include "ui/status_scroll_bar.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

measurement_display::measurement_display(QWidget *window, readouts shown, QTextEdit *status)
    : QObject(window), window(window), shown(shown), status(status) {
    frame_timer.setSingleShot(true);
    // A coarse timer may fire 5 % late: past the 70 ms the screen may lag.
    frame_timer.setTimerType(Qt::PreciseTimer);
    connect(&frame_timer, &QTimer::timeout, this, &measurement_display::show_frame);
}

// A reading that comes after a quiet spell is shown at once, in the same turn of the event loop
// that read it: at the instrument's usual rates a reading then costs one wakeup, not two. Within
// a spell the frame waits and gathers what comes.
void measurement_display::show_in_next_frame() {
    if (frame_timer.isActive())
        return;
    if (!since_last_frame.isValid() || since_last_frame.elapsed() >= display_quiet_ms)
        show_frame();
    else
        frame_timer.start(display_frame_ms);
}

// The read-outs and the scroll bar's edge let the group boxes behind them show through, so every
// new reading had Qt repaint those boxes too, and Fusion draws them by stretching a picture: the
// dearest part of a frame. Once the window has been painted the read-outs keep a picture of what
// lies behind them, and the scroll bar paints every pixel of its own: from then on these widgets
// are repainted alone. (The style sheet clears the attribute when it polishes the scroll bar, so
// it is set here and not when it is built.)
void measurement_display::repaint_changes_alone() {
    if (!window->testAttribute(Qt::WA_Mapped))
        return;
    for (readout *r : {shown.temperature, shown.average, shown.velocity})
        r->keep_background();
    QScrollBar *bar = status->verticalScrollBar();
    if (!bar->testAttribute(Qt::WA_OpaquePaintEvent))
        bar->setAttribute(Qt::WA_OpaquePaintEvent);
}

// Temperature, average, velocity, then the status area in one insert (a flood's backlog in
// several). A read-out whose text is unchanged is left alone, so it is not repainted.
void measurement_display::show_frame() {
    repaint_changes_alone();
    const std::pair<std::optional<QString> *, readout *> updates[] = {
        {&next_frame.temperature, shown.temperature},
        {&next_frame.average, shown.average},
        {&next_frame.velocity, shown.velocity}};
    for (const auto &[text, edit] : updates) {
        if (*text && edit->text() != **text)
            edit->show_text(**text);
        text->reset();
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
    if (on_frame)
        on_frame();
    // Paint the frame now rather than in one more turn of the event loop.
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
}

void measurement_display::add_status_line(const QString &line) {
    next_frame.status += line;
    show_in_next_frame();
}

void measurement_display::append_status(const QString &text) {
    // The area's own bar, set where the area is built.
    auto *bar = static_cast<status_scroll_bar *>(status->verticalScrollBar());
    bar->hold();
    // Moving the cursor lays out the last lines again; it is usually at the end already.
    const QTextCursor at = status->textCursor();
    if (!at.atEnd() || at.hasSelection())
        status->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    state_direction(text);
    shape_only_where_needed(text);
    status->insertPlainText(text);

    QTextDocument *doc = status->document();
    const int trim = status_lines_to_trim(doc->blockCount());
    if (trim > 0) {
        QTextCursor cursor(doc->findBlockByNumber(trim));
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        status->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    }
    // After an insert of many lines their layout is still pending, and with it the end of the
    // scroll range: finish it, then show the last line.
    doc->documentLayout()->documentSize();
    bar->setValue(bar->maximum());
    bar->release();
}

// The area shapes each new line to lay it out and again to paint it, a tenth of what a reading
// costs, and for a record that changes no pixel. Text that is not plain ASCII keeps it: Arabic,
// say, comes out unjoined without it.
void measurement_display::shape_only_where_needed(const QString &text) {
    const bool shape = !plain_ascii_lines(text);
    QTextCharFormat format = status->currentCharFormat();
    if (format.hasProperty(QTextFormat::FontStyleStrategy) != shape)
        return;
    if (shape)
        format.clearProperty(QTextFormat::FontStyleStrategy);
    else
        format.setFontStyleStrategy(QFont::PreferNoShaping);
    status->setCurrentCharFormat(format);
}

// Without a stated direction the area finds each line's by scanning its text, again for every
// line it passes while laying out an insert: stating left to right spares that. A line gets the
// stated direction only when neither it nor the rest of its block could read right to left,
// where the scan would have found the same.
void measurement_display::state_direction(const QString &text) {
    QTextCursor end = status->textCursor();
    const bool may_be_right_to_left =
        may_read_right_to_left(end.block().text()) || may_read_right_to_left(text);
    const Qt::LayoutDirection wanted =
        may_be_right_to_left ? Qt::LayoutDirectionAuto : Qt::LeftToRight;
    QTextBlockFormat format = end.blockFormat();
    if (format.layoutDirection() == wanted)
        return;
    if (may_be_right_to_left)
        format.clearProperty(QTextFormat::LayoutDirection);
    else
        format.setLayoutDirection(Qt::LeftToRight);
    end.setBlockFormat(format);
}
