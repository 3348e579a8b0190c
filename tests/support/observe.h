#ifndef OBSERVE_H
#define OBSERVE_H

#include <QByteArray>
#include <QImage>
#include <QString>

class QWidget;

// What a test observes outside the window, on every platform.

// A whole file, or "<unreadable>" when it cannot be read (so no expectation of empty content
// passes by accident).
QByteArray read_file(const QString &path);

// A widget as its window shows it on the screen, border to border.
QImage on_screen(QWidget *widget);

// Whether a widget on screen shows what it shows once the window and it are painted afresh.
bool drawn_afresh(QWidget *widget);

// User plus system CPU time of this process, in milliseconds.
qint64 cpu_ms();

// The memory this process holds now (resident set), in KiB; -1 where the system does not say.
long rss_kib();

#endif
