#ifndef MESSAGE_H
#define MESSAGE_H

#include <QString>

class QObject;

// A parentless modal box with only its text set; returns when the operator dismisses it.
void show_message(const QString &text);

// The same box, shown once the current slot has returned, and not at all if context is gone by
// then. For messages raised while the port is being read: the box's own event loop must not
// run inside the decoder, which would then be held up until the box closes.
void show_message_later(QObject *context, const QString &text);

#endif
