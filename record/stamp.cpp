#include "record/stamp.h"

QByteArray stamp_line(const QDateTime &when) {
    return when.toString("yyyy_MM_dd_hh_mm_ss").toLatin1() + "\r\n";
}
