#include "ui/message.h"

#include <QMessageBox>

void show_message(const QString &text) {
    QMessageBox box;
    box.setText(text);
    box.exec();
}
