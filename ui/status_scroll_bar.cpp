#include "ui/status_scroll_bar.h"

#include <QStyle>
#include <QStyleOptionSlider>

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
