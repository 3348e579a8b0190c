#include "ui/frmain.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Waits at least sec milliseconds while the window, the port and the decoder go on. A nested
// event loop with a timer sleeps between events instead of polling a whole core away.
void frmain::Sleep(int sec) {
    if (sec <= 0)
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
    for (qint64 left = sec; left > 0; left = sec - clock.elapsed()) {
        timer.start(int(left));
        loop.exec();
    }
}

// The bytes go out as a C string: a NUL ends what is written.
void frmain::send(QString data) {
    const QByteArray bytes = data.toLatin1();
    if (serial_port->isOpen())
        serial_port->write(bytes.constData());
}

void frmain::one_byte_send(QString str) {
    for (int i = 0; i < str.length(); ++i) {
        const QByteArray byte = str.mid(i, 1).toLatin1();
        if (serial_port->isOpen())
            serial_port->write(byte.constData());
        Sleep(20);
    }
}
