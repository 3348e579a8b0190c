#include "ui/fonts.h"
#include "ui/frmain.h"
#include "ui/status_area.h"
#include "ui/status_scroll_bar.h"

#include <QAbstractTextDocumentLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void frmain::status_setting() {
    status_group = new QGroupBox;
    status_group->setTitle("状态显示区");
    staus_show = new QTextEdit;
    QHBoxLayout *layout = new QHBoxLayout;
    staus_show->setFont(window_font("Times", 10));
    staus_show->setReadOnly(true);
    staus_show->setVerticalScrollBar(new status_scroll_bar);
    // Read-only: an undo stack would only keep a copy of every insert.
    staus_show->document()->setUndoRedoEnabled(false);
    layout->addWidget(staus_show, 0);
    status_group->setLayout(layout);
}

void frmain::append_status(const QString &text) {
    // The area's own bar, set in status_setting().
    status_scroll_bar *bar = static_cast<status_scroll_bar *>(staus_show->verticalScrollBar());
    bar->hold();
    // Moving the cursor lays out the last lines again; it is usually at the end already.
    const QTextCursor at = staus_show->textCursor();
    if (!at.atEnd() || at.hasSelection())
        staus_show->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    state_direction(text);
    staus_show->insertPlainText(text);

    QTextDocument *doc = staus_show->document();
    const int trim = status_lines_to_trim(doc->blockCount());
    if (trim > 0) {
        QTextCursor cursor(doc->findBlockByNumber(trim));
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        staus_show->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    }
    // After an insert of many lines their layout is still pending, and with it the end of the
    // scroll range: finish it, then show the last line.
    doc->documentLayout()->documentSize();
    bar->setValue(bar->maximum());
    bar->release();
}

// Without a stated direction the area finds each line's by scanning its text, again for every
// line it passes while laying out an insert: stating left to right spares that. A line gets the
// stated direction only when neither it nor the rest of its block could read right to left,
// where the scan would have found the same.
void frmain::state_direction(const QString &text) {
    QTextCursor end = staus_show->textCursor();
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

bool may_read_right_to_left(const QString &text) {
    // The first right-to-left script, Hebrew, starts at U+0590; surrogates are above it too.
    for (const QChar c : text)
        if (c.unicode() >= 0x0590)
            return true;
    return false;
}

int first_lines_length(const QString &text, int lines) {
    int at = 0;
    for (int n = 0; n < lines; ++n) {
        const int end = text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            return text.size();
        at = end + 1;
    }
    return at;
}

int all_but_last_lines_length(const QString &text, int lines) {
    int at = text.size();
    if (text.endsWith(QLatin1Char('\n')))
        --at; // the last line's own end
    for (int n = 0; n < lines; ++n) {
        if (at <= 0)
            return 0;
        at = text.lastIndexOf(QLatin1Char('\n'), at - 1);
        if (at < 0)
            return 0;
    }
    return at + 1;
}
