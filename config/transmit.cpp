#include "ui/frmain.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Waits at least ms milliseconds while the window, the port and the decoder go on. A nested
// event loop with a timer sleeps between events instead of polling a whole core away.
void frmain::Sleep(int ms) {
    if (ms <= 0 || line->quitting)
        return;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The timer may fire a little early, and a nested wait may hold the loop longer: test the
    // clock itself each time round.
    for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
        timer.start(int(left));
        // Once the application quits, exec() refuses to run and returns -1 at once: going round
        // again would spin until the deadline.
        if (loop.exec() < 0) {
            line->quitting = true;
            return;
        }
    }
}

// The bytes go out as a C string: a NUL ends what is written.
void frmain::send(QString data) {
    const QByteArray bytes = data.toLatin1();
    put_on_line(bytes.constData(), qstrlen(bytes.constData()));
}

void frmain::one_byte_send(QString str) {
    for (int i = 0; i < str.length() && !line->quitting; ++i) {
        const QByteArray byte = str.mid(i, 1).toLatin1();
        put_on_line(byte.constData(), qstrlen(byte.constData()));
        Sleep(20);
    }
}

// Hands the bytes to the system at once: left in the port's buffer they would leave with the
// next event, and the pause that follows would no longer be a pause on the line.
void frmain::put_on_line(const char *bytes, qint64 size) {
    if (size <= 0 || line->quitting || !serial_port->isOpen())
        return;
    serial_port->write(bytes, size);
    serial_port->flush();
}
