// libFuzzer target for the decoding path: arbitrary bytes, cut into arbitrary chunks, through the
// functions the decoder uses. After every chunk: the accumulator within its bound; at the end,
// the records taken equal a parse of the whole text at once, and so do the averages shown. The
// same bytes, each chunk during a configuration sequence or not, through the split between the
// record file and the status area: no byte lost or doubled, and what goes to the file from a
// stream that was in a sequence from its start is whole records only.
#include "link/record_parser.h"
#include "link/record_split.h"

#include <fuzzer/FuzzedDataProvider.h>

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

// The averages the decoder shows for these records with N readings a block: the plain sum over
// N where it is finite, to the last bit; where it overflows, the same sum at 2^-64 of its size.
QStringList averages(const QStringList &bodies, quint32 n, bool with_parser) {
    QStringList shown;
    double sum = 0;
    quint32 count = 0;
    std::vector<double> block;
    for (const QString &body : bodies) {
        const QStringList fields = body.split(' ');
        if (fields.size() != 1 && fields.size() != 2)
            continue;
        if (with_parser) {
            if (auto s = add_to_average(sum, count, n, fields[0]))
                shown << *s;
            continue;
        }
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
    const quint32 n = in.ConsumeIntegralInRange<quint32>(0, 6);
    QString acc, whole;
    QStringList taken;
    record_split split;
    QByteArray to_file, to_status;
    qsizetype received = 0;
    bool always_in_sequence = true;
    while (in.remaining_bytes() > 0) {
        const std::vector<uint8_t> bytes =
            in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 600));
        QString text;
        append_chunk_text(
            text, QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())));
        if (text.contains(QChar(0)))
            abort();
        whole += text;
        acc += text;

        const QByteArray chunk(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
        received += chunk.size();
        if (in.ConsumeBool()) {
            split_records(split, chunk, to_file, to_status);
        } else {
            always_in_sequence = false;
            to_file += split.held;
            split.held.clear();
            follow_records(split, chunk);
            to_file += chunk;
        }
        if (to_file.size() + to_status.size() + split.held.size() != received)
            abort();
        take_records(acc, [&taken](const QStringRef &body) { taken << body.toString(); });
        if (acc.size() > max_pending_record || (!acc.isEmpty() && acc[0] != '$'))
            abort();
    }
    if (always_in_sequence) {
        // "$", no other "$", CR LF; and again.
        for (int at = 0; at < to_file.size();) {
            const int end = to_file.indexOf("\r\n", at);
            if (to_file[at] != '$' || end < 0 ||
                to_file.indexOf('$', at + 1) < end + 2 && to_file.indexOf('$', at + 1) >= 0)
                abort();
            at = end + 2;
        }
    }
    int longest = 0;
    const QStringList expected = plain_parse(whole, &longest);
    if (longest <= max_pending_record) {
        if (taken != expected)
            abort();
        if (averages(taken, n, true) != averages(expected, n, false))
            abort();
    }
    return 0;
}
