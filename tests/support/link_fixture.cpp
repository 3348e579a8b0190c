#include "support/link_fixture.h"

#include <QPushButton>
#include <QTest>

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

bool open_line_fixture::set_up() {
    pty.reset(new pty_instrument);
    if (!pty->ok())
        return false;
    w.reset(new app_window);
    return open_port(*w);
}

void open_line_fixture::tear_down() {
    w.reset();
    pty.reset();
}
