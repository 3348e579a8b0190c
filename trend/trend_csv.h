#ifndef TREND_CSV_H
#define TREND_CSV_H

#include <QByteArray>
#include <QtGlobal>

class trend_store;

// The export: UTF-8 with a byte-order mark (so that Excel reads the Chinese header), CR LF line
// ends, a header line, and a row per reading: the local time it was received, then the
// velocity, the average (only where a block completed) and the temperature as they came. A
// field holding a comma, a quote or a line end is quoted as RFC 4180 says.
QByteArray trend_csv_header();

// The rows of the readings [from, to).
QByteArray trend_csv_rows(const trend_store &store, qint64 from, qint64 to);

#endif
