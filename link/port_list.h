#ifndef PORT_LIST_H
#define PORT_LIST_H

#include <QList>
#include <QString>
#include <QStringList>

// A port of the port list: the name the operator chooses and the port is opened by, what the
// system says the device is, and where it is.
struct listed_port {
    QString name;
    QString description;
    QString location;
};

// "COM1" to "COM11": the list always starts with them, in this order, whatever the computer has.
QStringList fixed_port_names();

// The ports listed after the fixed ones: each port found once, leaving out those that are fixed
// ones already (by name, or by the device a fixed name opens), in natural order: COM12 before
// COM100, ttyUSB2 before ttyUSB10.
QList<listed_port> ports_after_fixed(const QList<listed_port> &found,
                                     const QStringList &fixed_locations);

// Whether a comes before b in natural order: runs of digits compare as numbers, the rest without
// regard to case.
bool natural_less(const QString &a, const QString &b);

// The COMn entries of a port folder that can be ports: each a character device or a link to one.
// A dangling link, a folder or a plain file opens as no port.
QList<listed_port> port_folder_ports(const QString &dir);

// The serial ports the system reports, and on Linux the COMn entries of ORVANE_PORT_DIR.
QList<listed_port> system_ports();

#endif
