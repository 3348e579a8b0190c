#include "ui/status_scroll_bar.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextEdit>

void status_scroll_bar::install(QTextEdit *area) {
    auto *bar = new status_scroll_bar;
    area->setVerticalScrollBar(bar);
    // The area shows or hides its bars itself right after it sets their range; the scroll area's
    // queued second pass only lays it out again, on every insert.
    QObject::disconnect(bar, SIGNAL(rangeChanged(int, int)), area, SLOT(_q_showOrHideScrollBars()));
    // Lines wrap at the area's width, so the horizontal bar never shows; left as needed, it was
    // still woken by a timer on every scroll.
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QSize status_scroll_bar::sizeHint() const {
    if (!hint.isValid())
        hint = QScrollBar::sizeHint();
    return hint;
}

void status_scroll_bar::changeEvent(QEvent *event) {
    hint = QSize();
    QScrollBar::changeEvent(event);
}

bool status_scroll_bar::event(QEvent *event) {
    if (event->type() == QEvent::Polish || event->type() == QEvent::ScreenChangeInternal)
        hint = QSize();
    return QScrollBar::event(event);
}

status_scroll_bar::look status_scroll_bar::current_look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    look now;
    now.rect = option.rect;
    now.slider =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    now.state = int(option.state);
    now.active = int(option.activeSubControls);
    now.empty = minimum() == maximum();
    now.at_start = sliderPosition() == minimum();
    now.at_end = sliderPosition() == maximum();
    return now;
}

void status_scroll_bar::sliderChange(SliderChange change) {
    if (held || (has_painted && current_look() == painted))
        return;
    QScrollBar::sliderChange(change);
}

void status_scroll_bar::release() {
    held = false;
    if (!has_painted || !(current_look() == painted))
        update();
}

void status_scroll_bar::paintEvent(QPaintEvent *event) {
    painted = current_look();
    has_painted = true;
    QScrollBar::paintEvent(event);
}
