#ifndef LINK_FIXTURE_H
#define LINK_FIXTURE_H

#include "support/app_window.h"
#include "support/observe.h"
#include "support/pty_instrument.h"

#include <QByteArray>

// Presses a button as the operator does; returns when its slot has finished.
void press(QWidget *button);

// Opens the window's port (the start selections, COM1 on the test's pty) and waits for it.
bool open_port(app_window &w);

// Waits until the window has shown what it decoded: the read-outs and the status area follow
// the decoder a display frame later.
void wait_for_frame(app_window &w);

// Sends bytes as the instrument and lets the window read them.
void feed(pty_instrument &pty, const QByteArray &bytes, int settle_ms = 60);

#endif
