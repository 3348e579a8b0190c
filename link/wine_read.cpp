#include "link/wine_read.h"

#include <QSerialPort>

#ifdef Q_OS_WIN
#include <windows.h>

// Only Wine's ntdll exports this.
static bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
#endif

void keep_reading_under_wine(QSerialPort *port) {
#ifdef Q_OS_WIN
    if (!running_under_wine())
        return;
    // Setting the buffer size starts a read when none is running, and under Wine such a read
    // waits for the first byte instead of returning empty. Once it completes Qt waits for the
    // comm event again, which never comes: start the next read at every readyRead, whatever the
    // slots do with the bytes.
    const auto read_on = [port] { port->setReadBufferSize(port->readBufferSize()); };
    // One restarter per port, kept across closing and reopening; it goes with the port.
    const char name[] = "wine_read_restarter";
    if (!port->findChild<QObject *>(name, Qt::FindDirectChildrenOnly)) {
        auto *restarter = new QObject(port);
        restarter->setObjectName(name);
        QObject::connect(port, &QSerialPort::readyRead, restarter, read_on);
    }
    read_on();
#else
    Q_UNUSED(port);
#endif
}
