#include "record/stamp.h"

#include <QLocale>

// The C locale: Qt 5 formats dates with the system locale's digits, which need not be ASCII.
QByteArray stamp_line(const QDateTime &when) {
    return QLocale::c().toString(when, "yyyy_MM_dd_hh_mm_ss").toLatin1() + "\r\n";
}
