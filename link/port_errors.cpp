#include "link/port_errors.h"

bool means_device_gone(QSerialPort::SerialPortError error, bool windows) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return true;
    case QSerialPort::PermissionError:
    case QSerialPort::UnknownError:
        return windows;
    default:
        return false;
    }
}
