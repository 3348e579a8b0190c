#ifndef MESSAGE_H
#define MESSAGE_H

#include <QString>

// A parentless modal box with only its text set; returns when the operator dismisses it.
void show_message(const QString &text);

#endif
