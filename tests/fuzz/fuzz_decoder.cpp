// libFuzzer target for the measurement stream: arbitrary bytes, cut into arbitrary chunks, each
// during a configuration sequence or not, through the stream as the window reads it. After every
// chunk: the accumulator within its bound. At the end: the readings equal a parse of the whole
// text at once, and so do the averages shown; a stream never in a sequence records every byte,
// and one in a sequence from its start records whole records only.
#include "link/stream.h"

#include <QBuffer>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
// The plain parse: every record of the whole text (from the last "$" before a CR LF, a blank
// after the "$"), no bound; `longest` is the longest stretch from a record's "$" to its line
// end that the parse saw.
QStringList plain_parse(const QString &text, int *longest) {
    QStringList bodies;
    *longest = 0;
    int pos = 0;
    for (;;) {
        const int first = text.indexOf('$', pos);
        if (first < 0)
            break;
        const int end = text.indexOf("\r\n", first);
        if (end < 0)
            break;
        const int start = text.lastIndexOf('$', end);
        *longest = qMax(*longest, end + 2 - start);
        if (text[start + 1] == ' ')
            bodies << text.mid(start + 2, end - start);
        pos = end + 2;
    }
    return bodies;
}

// The averages shown for these records with N readings a block: the plain sum over N where it is
// finite, to the last bit; where it overflows, the same sum at 2^-64 of its size.
QStringList averages(const QStringList &bodies, quint32 n) {
    QStringList shown;
    std::vector<double> block;
    for (const QString &body : bodies) {
        const QStringList fields = body.split(' ');
        if (fields.size() != 1 && fields.size() != 2)
            continue;
        if (n <= 1) {
            shown << fields[0];
            continue;
        }
        bool number = false;
        const double value = fields[0].toDouble(&number);
        if (!number || !std::isfinite(value)) // not a finite number: left out
            continue;
        block.push_back(value);
        if (block.size() == n) {
            double total = 0, scaled = 0;
            for (double v : block) {
                total += v;
                scaled += std::ldexp(v, -64);
            }
            const double average = std::isfinite(total) ? total / n : std::ldexp(scaled / n, 64);
            shown << QString::number(average, 'g', 7);
            block.clear();
        }
    }
    return shown;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    QString rx_text, velocity_text, temperature_text;
    QStringList rx_fields;
    double velocity_sum = 0;
    quint32 velocity_count = 0;
    const quint32 n = in.ConsumeIntegralInRange<quint32>(0, 6);
    display_frame frame;
    measurement_stream stream(
        {rx_text, rx_fields, velocity_text, temperature_text, velocity_sum, velocity_count, n},
        frame);
    QByteArray received, to_file;
    QStringList readings, shown_averages;
    stream.to_file = [&](const QByteArray &bytes) { to_file += bytes; };
    stream.on_reading = [&](const measurement_stream::reading &r) {
        readings << (r.temperature ? r.velocity + ' ' + *r.temperature : r.velocity);
        if (r.average)
            shown_averages << *r.average;
    };
    QString whole;
    bool never_in_sequence = true, always_in_sequence = true;
    while (in.remaining_bytes() > 0) {
        const std::vector<uint8_t> bytes =
            in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 600));
        const QByteArray chunk(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
        QString text;
        append_chunk_text(text, chunk);
        if (text.contains(QChar(0)))
            abort();
        whole += text;
        received += chunk;
        const bool during_sequence = in.ConsumeBool();
        (during_sequence ? never_in_sequence : always_in_sequence) = false;
        QBuffer device(const_cast<QByteArray *>(&chunk));
        device.open(QIODevice::ReadOnly);
        stream.read(&device, during_sequence);
        if (rx_text.size() > max_pending_record || (!rx_text.isEmpty() && rx_text[0] != '$'))
            abort();
    }
    if (never_in_sequence && to_file != received)
        abort();
    if (always_in_sequence) {
        // "$", no other "$", CR LF; and again.
        for (int at = 0; at < to_file.size();) {
            const int end = to_file.indexOf("\r\n", at);
            if (to_file[at] != '$' || end < 0 ||
                (to_file.indexOf('$', at + 1) < end + 2 && to_file.indexOf('$', at + 1) >= 0))
                abort();
            at = end + 2;
        }
    }
    int longest = 0;
    QStringList expected = plain_parse(whole, &longest);
    expected.erase(std::remove_if(expected.begin(), expected.end(),
                                  [](const QString &body) { return body.count(' ') > 1; }),
                   expected.end());
    if (longest <= max_pending_record) {
        if (readings != expected)
            abort();
        if (shown_averages != averages(expected, n))
            abort();
    }
    return 0;
}
