// libFuzzer target for the decoding path: arbitrary bytes, cut into arbitrary chunks, through the
// functions the decoder uses. After every chunk: the accumulator within its bound; at the end,
// the records taken equal a plain parse of the whole text, and so do the averages shown.
#include "link/record_parser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
// The plain parse: every "$" .. CR LF of the whole text, no bound; `longest` is the longest
// stretch from a "$" to its line end (or to the end of the text) that the parse saw.
QStringList plain_parse(const QString &text, int *longest) {
    QStringList bodies;
    *longest = 0;
    int pos = 0;
    for (;;) {
        const int start = text.indexOf('$', pos);
        if (start < 0)
            break;
        const int end = text.indexOf("\r\n", start);
        *longest = qMax(*longest, (end < 0 ? text.size() : end + 2) - start);
        if (end < 0)
            break;
        bodies << text.mid(start + 2, end - start);
        pos = end + 2;
    }
    return bodies;
}

// The averages the decoder shows for these records with N readings a block.
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
        const double value = fields[0].toDouble();
        block.push_back(std::isfinite(value) ? value : 0.0); // what is not a finite number is 0
        if (block.size() == n) {
            double total = 0;
            for (double v : block)
                total += v;
            shown << QString::number(total / n, 'g', 7);
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
        take_records(acc, [&taken](const QStringRef &body) { taken << body.toString(); });
        if (acc.size() > max_pending_record || (!acc.isEmpty() && acc[0] != '$'))
            abort();
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
