#include "link/stream.h"

#include <QDateTime>
#include <QIODevice>
#include <cmath>

namespace {
// Copies text into the frame's own string, so that the members the stream rewrites for every
// record keep their buffers instead of sharing them.
void copy_into(std::optional<QString> &slot, const QString &text) {
    if (!slot)
        slot.emplace();
    slot->setUnicode(text.unicode(), text.size());
}
} // namespace

measurement_stream::measurement_stream(members m, display_frame &next_frame)
    : m(m), frame(next_frame) {
    clock.start();
}

bool measurement_stream::read(QIODevice *device, bool during_sequence) {
    if (!unread.isEmpty()) {
        chunk.swap(unread);
        unread.clear();
    } else {
        const qint64 waiting = device->bytesAvailable();
        if (waiting <= 0)
            return false;
        // One buffer for every pass: at line speed a pass carries a single record.
        chunk.resize(int(waiting));
        chunk.resize(int(qMax<qint64>(0, device->read(chunk.data(), waiting))));
    }
    const bool shown = decode();
    split_for_file(during_sequence);
    return shown || !frame.status.isEmpty();
}

void measurement_stream::keep_unread(QIODevice *device) {
    unread += device->readAll();
}

void measurement_stream::start_afresh() {
    m.rx_text.clear();
    unread.clear();
    in_record = after_cr = false;
    held.clear();
    m.velocity_sum = 0.0;
    m.velocity_count = 0;
}

// Every complete record is taken now, so a backlog never leaves the read-outs behind; what they
// show goes to the screen with the next frame.
bool measurement_stream::decode() {
    append_chunk_text(m.rx_text, chunk);
    bool shown = false, with_temperature = false;
    take_records(m.rx_text, [&](const QStringRef &body) {
        split_fields(m.rx_fields, body);
        if (m.rx_fields.size() > 2)
            return;
        shown = true;
        with_temperature = m.rx_fields.size() == 2;
        if (with_temperature)
            m.temperature_text.setUnicode(m.rx_fields[1].unicode(), m.rx_fields[1].size());
        m.velocity_text.setUnicode(m.rx_fields[0].unicode(), m.rx_fields[0].size());
        const std::optional<QString> average =
            add_to_average(m.velocity_sum, m.velocity_count, m.avg_point_count, m.velocity_text);
        if (average)
            copy_into(frame.average, *average);
        frame.status.append(QLatin1String("$ ")).append(body);
        if (on_reading)
            on_reading({clock.elapsed(), QDateTime::currentMSecsSinceEpoch(), m.velocity_text,
                        with_temperature ? &m.temperature_text : nullptr,
                        average ? &*average : nullptr});
    });
    if (shown) {
        copy_into(frame.temperature,
                  with_temperature ? m.temperature_text : QStringLiteral("0000.000"));
        copy_into(frame.velocity, m.velocity_text);
    }
    return shown;
}

// Outside a sequence every byte is recorded. During one the instrument's replies go to the
// status area alone, but its records must still reach the file, whole and in order: this follows
// the records ("$" up to and with its CR LF) through the byte stream, across chunks and across
// the start and end of a sequence. A "$" that another "$" follows before any CR LF began no
// record.
void measurement_stream::split_for_file(bool during_sequence) {
    if (!during_sequence) {
        if (!held.isEmpty()) {
            if (to_file)
                to_file(held);
            held.clear();
        }
        if (!chunk.isEmpty()) {
            // Only the end of the chunk matters: its last "$", and whether a line end follows.
            const int dollar = chunk.lastIndexOf('$');
            if (dollar >= 0)
                in_record = true;
            if (in_record && (chunk.indexOf("\r\n", qMax(dollar, 0)) >= 0 ||
                              (dollar < 0 && after_cr && chunk.at(0) == '\n')))
                in_record = false;
            after_cr = chunk.endsWith('\r');
            if (to_file)
                to_file(chunk);
        }
        return;
    }
    QByteArray for_file, for_status;
    for (const char c : chunk) {
        if (c == '$') {
            for_status += held;
            held = QByteArray(1, '$');
            in_record = true;
        } else if (in_record) {
            held += c;
            if (after_cr && c == '\n') {
                for_file += held;
                held.clear();
                in_record = false;
            }
        } else {
            for_status += c;
        }
        after_cr = c == '\r';
    }
    append_chunk_text(frame.status, for_status);
    if (!for_file.isEmpty() && to_file)
        to_file(for_file);
}

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
