#ifndef TREND_OPENER_H
#define TREND_OPENER_H

#include <QList>

#include <functional>

class QWidget;

// Opens the trend from the data display: a double-click on a read-out, or "趋势图…" in the
// context menu of the read-outs and their group. The read-outs stay disabled (a filter still sees
// those events) and tell of the double-click in a tooltip shown without their style sheet, which
// would draw it red on black.
void install_trend_opener(const QList<QWidget *> &readouts, QWidget *display_group,
                          std::function<void()> open);

#endif
