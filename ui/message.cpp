#include "ui/message.h"

#include <QMessageBox>

void show_message(const QString &text, QPointer<QMessageBox> *open) {
    QMessageBox box;
    box.setText(text);
    if (open)
        *open = &box;
    box.exec();
}
