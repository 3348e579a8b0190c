#include "support/test_main.h"

#include <QString>
#include <QtGlobal>

namespace {
QtMessageHandler previous = nullptr;

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type == QtDebugMsg && text == QLatin1String("Unknown property cursorVisible"))
        return;
    previous(type, context, text);
}
} // namespace

void drop_known_style_noise() {
    previous = qInstallMessageHandler(filter);
}
