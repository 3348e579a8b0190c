#ifndef MESSAGE_H
#define MESSAGE_H

#include <QPointer>
#include <QString>

class QMessageBox;

// A parentless modal box with only its text set; returns when the operator dismisses it. Where
// open is given it points at the box while the box is open, so that it can be closed.
void show_message(const QString &text, QPointer<QMessageBox> *open = nullptr);

#endif
