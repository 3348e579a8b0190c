#ifndef STAMP_H
#define STAMP_H

#include <QByteArray>
#include <QDateTime>

// A start or stop line of a record file: the local time as yyyy_MM_dd_hh_mm_ss, then CR LF.
QByteArray stamp_line(const QDateTime &when);

#endif
