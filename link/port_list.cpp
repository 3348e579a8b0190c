#include "link/port_list.h"
#include "link/port_name.h"
#include "link/port_watch.h"

#include <QDir>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

QStringList fixed_port_names() {
    QStringList names;
    for (int n = 1; n <= 11; ++n)
        names << QString("COM%1").arg(n);
    return names;
}

QList<listed_port> ports_after_fixed(const QList<listed_port> &found,
                                     const QStringList &fixed_locations) {
    const QStringList fixed = fixed_port_names();
    QList<listed_port> after;
    for (const listed_port &port : found) {
        const bool listed = std::any_of(after.cbegin(), after.cend(),
                                        [&](const listed_port &p) { return p.name == port.name; });
        if (port.name.isEmpty() || listed || fixed.contains(port.name) ||
            (!port.location.isEmpty() && fixed_locations.contains(port.location)))
            continue;
        after << port;
    }
    std::stable_sort(after.begin(), after.end(), [](const listed_port &a, const listed_port &b) {
        return natural_less(a.name, b.name);
    });
    return after;
}

bool natural_less(const QString &a, const QString &b) {
    // The end of the run of digits starting at i, and where it starts without its leading zeros.
    const auto digits = [](const QString &s, int i, int *significant) {
        while (i < s.size() - 1 && s[i] == QLatin1Char('0') && s[i + 1].isDigit())
            ++i;
        *significant = i;
        while (i < s.size() && s[i].isDigit())
            ++i;
        return i;
    };
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int from_a, from_b;
            const int end_a = digits(a, i, &from_a), end_b = digits(b, j, &from_b);
            // As numbers: the one with more significant digits is the larger.
            if (end_a - from_a != end_b - from_b)
                return end_a - from_a < end_b - from_b;
            const int order =
                a.midRef(from_a, end_a - from_a).compare(b.midRef(from_b, end_b - from_b));
            if (order != 0)
                return order < 0;
            i = end_a;
            j = end_b;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

QList<listed_port> port_folder_ports(const QString &dir) {
    QList<listed_port> found;
#ifndef Q_OS_WIN
    static const QRegularExpression com("^COM[1-9][0-9]*$");
    for (const QString &name : QDir(dir).entryList(QDir::AllEntries | QDir::System)) {
        const QString location = resolve_port_name(name, dir);
        if (com.match(name).hasMatch() && device_present(location))
            found << listed_port{name, QString(), location};
    }
#else
    Q_UNUSED(dir);
#endif
    return found;
}

QList<listed_port> system_ports() {
    QList<listed_port> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        found << listed_port{info.portName(), info.description(), info.systemLocation()};
#ifndef Q_OS_WIN
    const QString dir = qEnvironmentVariable("ORVANE_PORT_DIR");
    if (!dir.isEmpty())
        found += port_folder_ports(dir);
#endif
    return found;
}
