#ifndef OBSERVE_H
#define OBSERVE_H

#include <QByteArray>
#include <QString>

// What a test observes outside the window, on every platform.

// A whole file, or "<unreadable>" when it cannot be read (so no expectation of empty content
// passes by accident).
QByteArray read_file(const QString &path);

// User plus system CPU time of this process, in milliseconds.
qint64 cpu_ms();

#endif
