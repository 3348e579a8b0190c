#ifndef LINK_FIXTURE_H
#define LINK_FIXTURE_H

#include "support/app_window.h"
#include "support/observe.h"
#include "support/pty_instrument.h"

#include <QByteArray>

#include <memory>

// The pseudo-terminal the test plays the instrument on and the window with its port open on it,
// shared by the tests of one program.
struct open_line_fixture {
    std::unique_ptr<pty_instrument> pty;
    std::unique_ptr<app_window> w;
    // False where the pseudo-terminal or the opening failed.
    bool set_up();
    void tear_down();
};

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
