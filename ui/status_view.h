#ifndef STATUS_VIEW_H
#define STATUS_VIEW_H

#include <QTextEdit>

// The status area's text view. Qt draws a document from the last of its layout's checkpoints,
// which lie 2000 pixels apart: a new record's line or two were painted after looking at every
// line since, a hundred and more of them. While the area holds plain lines and nothing is
// selected, this one finds the lines in view from the end and draws them as Qt does; anything
// else is left to Qt.
class status_view : public QTextEdit {
public:
    using QTextEdit::QTextEdit;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Paints what the event asks for from the end of the document; false, with nothing painted,
    // where that is not how Qt would paint it.
    bool paint_from_end(QPaintEvent *event);
};

#endif
