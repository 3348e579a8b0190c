#ifndef PORT_NAME_H
#define PORT_NAME_H

#include <QString>

// Turns a Windows port name from the port list into what QSerialPort opens here. On Windows the
// name is used as it is. Elsewhere "COMn" is the file port_dir/COMn when a port directory is
// given (ORVANE_PORT_DIR, usually a link to a tty), and /dev/ttyS<n-1> otherwise.
QString resolve_port_name(const QString &name, const QString &port_dir);

// The same, with the port directory taken from ORVANE_PORT_DIR.
QString resolve_port_name(const QString &name);

#endif
