#include "link/record_parser.h"

#include <cmath>

void append_chunk_text(QString &to, const QByteArray &chunk) {
    bool ascii = true;
    for (const char c : chunk) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || byte >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        to.append(QLatin1String(chunk.constData(), chunk.size()));
        return;
    }
    QByteArray without_nul = chunk;
    without_nul.replace('\0', QByteArray());
    to.append(QString::fromUtf8(without_nul));
}

void drop_taken_records(QString &acc, int taken) {
    acc.remove(0, taken);

    // What is left starts with "$" and holds no line end. If it is too long to be a record, give
    // up on it, keeping the earliest later "$" from which the rest fits.
    if (acc.size() > max_pending_record) {
        const int next = acc.indexOf(QLatin1Char('$'), acc.size() - max_pending_record);
        if (next < 0)
            acc.clear();
        else
            acc.remove(0, next);
    }
}

void split_fields(QStringList &fields, const QStringRef &body) {
    int n = 0;
    for (int from = 0;; ++n) {
        const int space = body.indexOf(QLatin1Char(' '), from);
        const QStringRef field = body.mid(from, space < 0 ? -1 : space - from);
        if (n < fields.size())
            fields[n].setUnicode(field.unicode(), field.size());
        else
            fields.append(field.toString());
        if (space < 0)
            break;
        from = space + 1;
    }
    while (fields.size() > n + 1)
        fields.removeLast();
}

std::optional<QString> add_to_average(double &sum, quint32 &count, quint32 n,
                                      const QString &velocity_text) {
    if (n <= 1)
        return velocity_text;
    // toDouble gives infinity for "1e999" (while reporting failure) and takes "inf" and "nan".
    bool number = false;
    const double value = velocity_text.toDouble(&number);
    if (!number || !std::isfinite(value))
        return std::nullopt;
    sum += std::ldexp(value, -average_scale);
    count += 1;
    if (count != n)
        return std::nullopt;
    const QString shown = QString::number(std::ldexp(sum / count, average_scale), 'g', 7);
    sum = 0.0;
    count = 0;
    return shown;
}
