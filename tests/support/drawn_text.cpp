#include "support/drawn_text.h"

#include <QDebug>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QRegularExpression>
#include <QWidget>

#include <climits>

namespace {
// A paint device whose engine keeps the text drawn on it and nothing else.
class text_catcher : public QPaintDevice, public QPaintEngine {
public:
    explicit text_catcher(QWidget *widget) : QPaintEngine(AllFeatures), widget(widget) {}
    QList<drawn_text> texts;

    QPaintEngine *paintEngine() const override { return const_cast<text_catcher *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}

    void updateState(const QPaintEngineState &state) override {
        if (state.state() & DirtyTransform)
            transform = state.transform();
        QRectF now;
        bool changed = false;
        if (state.state() & DirtyClipRegion) {
            now = transform.mapRect(QRectF(state.clipRegion().boundingRect()));
            changed = true;
        } else if (state.state() & DirtyClipPath) {
            now = transform.mapRect(state.clipPath().boundingRect());
            changed = true;
        }
        if (changed) {
            switch (state.clipOperation()) {
            case Qt::NoClip:
                clip = everything();
                break;
            case Qt::ReplaceClip:
                clip = now;
                break;
            case Qt::IntersectClip:
                clip &= now;
                break;
            }
        }
        if ((state.state() & DirtyClipEnabled) && !state.isClipEnabled())
            clip = everything();
    }

    void drawTextItem(const QPointF &at, const QTextItem &item) override {
        const QRectF rect(at.x(), at.y() - item.ascent(), item.width(),
                          item.ascent() + item.descent());
        texts << drawn_text{item.text(), transform.mapRect(rect), clip};
    }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return widget->width();
        case PdmHeight:
            return widget->height();
        case PdmWidthMM:
            return widget->widthMM();
        case PdmHeightMM:
            return widget->heightMM();
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return widget->logicalDpiX();
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return widget->logicalDpiY();
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    static QRectF everything() { return QRectF(-1e6, -1e6, 2e6, 2e6); }
    QWidget *widget;
    QTransform transform;
    QRectF clip = everything();
};

QString without_blanks(QString text) {
    static const QRegularExpression blanks("\\s");
    return text.remove(blanks);
}
} // namespace

QList<drawn_text> texts_drawn(QWidget *widget) {
    text_catcher catcher(widget);
    widget->render(&catcher, QPoint(), QRegion(), QWidget::RenderFlags());
    return catcher.texts;
}

bool draws_whole(QWidget *widget, const QString &text, QString *why) {
    QString read;
    const QRectF inside(widget->rect());
    for (const drawn_text &piece : texts_drawn(widget)) {
        read += piece.text;
        // A pixel for the rounding of fractional advances and heights.
        const QRectF rect = piece.rect.adjusted(1, 1, -1, -1);
        if (piece.text.trimmed().isEmpty())
            continue;
        if (!inside.contains(rect) || !piece.clip.contains(rect)) {
            QDebug(why).nospace() << "\"" << piece.text << "\" at " << piece.rect
                                  << " is cut: the widget is " << inside << ", the clip "
                                  << piece.clip;
            return false;
        }
    }
    if (without_blanks(read) != without_blanks(text)) {
        QDebug(why).nospace() << "drew \"" << read << "\", not \"" << text << "\"";
        return false;
    }
    return true;
}
