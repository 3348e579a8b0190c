#include "support/link_fixture.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <sys/resource.h>

void press(QWidget *button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

bool open_port(app_window &w) {
    press(w->open_button);
    return w->serial_port->isOpen() && w->open_button->text() == "关闭串口";
}

void wait_for_frame(app_window &w) {
    QTRY_VERIFY_WITH_TIMEOUT(!w->frame_pending(), 5000);
}

void feed(pty_instrument &pty, const QByteArray &bytes, int settle_ms) {
    pty.write(bytes);
    QTest::qWait(settle_ms);
}

qint64 cpu_ms() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

QByteArray read_file(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}
