#include "link/port_name.h"

#include <QDir>
#include <QRegularExpression>

QString resolve_port_name(const QString &name, const QString &port_dir) {
#ifdef Q_OS_WIN
    Q_UNUSED(port_dir);
    return name;
#else
    static const QRegularExpression com("^COM([1-9][0-9]*)$");
    const QRegularExpressionMatch match = com.match(name);
    if (!match.hasMatch())
        return name;
    if (!port_dir.isEmpty())
        return QDir(port_dir).filePath(name);
    return QString("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
#endif
}

QString resolve_port_name(const QString &name) {
    return resolve_port_name(name, qEnvironmentVariable("ORVANE_PORT_DIR"));
}
