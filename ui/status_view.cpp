#include "ui/status_view.h"

#include <QtWidgets/private/qtextedit_p.h>
#include <QtWidgets/private/qwidgettextcontrol_p.h>

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QVarLengthArray>

namespace {
// Looking further back than this for the first line in view is left to Qt.
constexpr int most_lines_looked_at = 400;

// What Qt's layout draws of a block besides its text: none of it comes from a plain insert.
bool plain_block(const QTextBlock &block) {
    const QTextBlockFormat format = block.blockFormat();
    return format.background().style() == Qt::NoBrush && format.objectIndex() == -1 &&
           !format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
}
} // namespace

void status_view::paintEvent(QPaintEvent *event) {
    if (!paint_from_end(event))
        QTextEdit::paintEvent(event);
}

bool status_view::paint_from_end(QPaintEvent *event) {
    QTextDocument *doc = document();
    const QTextFrameFormat root = doc->rootFrame()->frameFormat();
    if (doc->isEmpty() || isRightToLeft() || doc->pageSize().width() <= 0 ||
        !doc->rootFrame()->childFrames().isEmpty() || root.background().style() != Qt::NoBrush ||
        root.border() != 0)
        return false;
    auto *d = static_cast<QTextEditPrivate *>(QObjectPrivate::get(this));
    QAbstractTextDocumentLayout::PaintContext context = d->control->getPaintContext(viewport());
    if (!context.selections.isEmpty() || context.cursorPosition != -1)
        return false;

    // As Qt's own paint: the document scrolled by the bars, clipped to what the event asks for,
    // and its text within the root frame's margins.
    const QPoint scrolled(d->horizontalOffset(), d->verticalOffset());
    const QRectF asked = event->rect().translated(scrolled);
    const QSizeF size = doc->documentLayout()->documentSize(); // lays out what is pending
    const qreal margin = doc->documentMargin();
    const QRectF text_clip = QRectF(QPointF(), size).adjusted(margin, 0, -margin, 0) & asked;

    QVarLengthArray<QTextBlock, 8> in_view;
    QTextBlock block = doc->lastBlock();
    for (int looked = 0;; ++looked) {
        if (!block.isValid())
            break;
        if (looked == most_lines_looked_at)
            return false;
        const QTextLayout *layout = block.layout();
        const QRectF at = layout->boundingRect().translated(layout->position());
        if (at.bottom() < asked.top())
            break;
        if (block.isVisible() && at.top() <= asked.bottom()) {
            if (!plain_block(block))
                return false;
            in_view.append(block);
        }
        block = block.previous();
    }

    QPainter painter(viewport());
    painter.translate(-scrolled);
    painter.setClipRect(asked, Qt::IntersectClip);
    painter.setPen(context.palette.color(QPalette::Text));
    for (int i = in_view.size() - 1; i >= 0; --i)
        in_view[i].layout()->draw(&painter, QPointF(), {}, text_clip);
    return true;
}
