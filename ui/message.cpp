#include "ui/message.h"

#include <QMessageBox>
#include <QTimer>

void show_message(const QString &text) {
    QMessageBox box;
    box.setText(text);
    box.exec();
}

void show_message_later(QObject *context, const QString &text) {
    QTimer::singleShot(0, context, [text] { show_message(text); });
}
