#ifndef PORT_ERRORS_H
#define PORT_ERRORS_H

#include <QtSerialPort/QSerialPort>

#ifdef Q_OS_WIN
constexpr bool port_errors_from_windows = true;
#else
constexpr bool port_errors_from_windows = false;
#endif

// Whether an error reported while the port is open means that the device has gone (adapter
// pulled, far end hung up). Linux reports that as a read or resource error. Qt's Windows backend
// also hands on the error of a completed read unmapped: ERROR_ACCESS_DENIED arrives as a
// permission error, most other codes as an unknown error. A refused setting is never a loss.
bool means_device_gone(QSerialPort::SerialPortError error, bool windows = port_errors_from_windows);

#endif
