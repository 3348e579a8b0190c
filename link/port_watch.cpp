#include "link/port_watch.h"

#ifdef Q_OS_WIN
#include <QtSerialPort/QSerialPort>
#else
#include <QFile>
#include <sys/stat.h>
#endif

port_watch::port_watch(QObject *parent) : QObject(parent) {
    timer.setInterval(1000);
    connect(&timer, &QTimer::timeout, this, &port_watch::look);
}

void port_watch::start(const QString &where) {
    location = where;
    seen_present = 0;
    since_failure_told.invalidate();
    timer.start();
}

void port_watch::stop() {
    timer.stop();
}

bool port_watch::failure_to_tell() {
    if (since_failure_told.isValid() && since_failure_told.elapsed() < 60 * 1000)
        return false;
    since_failure_told.start();
    return true;
}

void port_watch::look() {
    seen_present = device_present(location) ? seen_present + 1 : 0;
    // Back at two looks a second apart: back for a second. Reopening waits a second itself,
    // with events running: no look meanwhile.
    if (seen_present >= 2 && reopen) {
        timer.stop();
        if (!reopen())
            timer.start();
    }
}

bool device_present(const QString &location) {
#ifdef Q_OS_WIN
    QSerialPort probe(location);
    if (!probe.open(QIODevice::ReadWrite))
        return false;
    probe.close();
    return true;
#else
    struct stat st;
    return ::stat(QFile::encodeName(location).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#endif
}
