#include "ui/frmain.h"
#include "ui/fonts.h"
#include "ui/message.h"

#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtDebug>

frmain::frmain(QWidget *parent) : QWidget(parent) {
    if (fonts_for_windows)
        setFont(with_chinese_fallbacks(font()));
    record_file = new QFile();

    data_setting();
    machine_setting();
    status_setting();

    serial_port = new QSerialPort(this);
    watch_port_errors();
    refresh_port_list();

    frame_timer.setSingleShot(true);
    // A coarse timer may fire 5 % late: past the 70 ms the screen may lag.
    frame_timer.setTimerType(Qt::PreciseTimer);
    connect(&frame_timer, &QTimer::timeout, this, &frmain::show_frame);

    QGridLayout *grid = new QGridLayout(this);
    grid->addWidget(serial_box, 1, 1, 5, 4);
    grid->addWidget(machine_box, 6, 1, 4, 4);
    grid->addWidget(status_group, 10, 1, 1, 4);

    every_connect();

    config_busy = false;
    velocity_sum = 0.0;
    velocity_count = 0;
    avg_point_count = 5;

    setObjectName("mainwindow");
    staus_show->setObjectName("staus_show");
    output_lineedit->setObjectName("output_lineedit");
    outrate_lineedit->setObjectName("outrate_lineedit");
    avg_lineedit->setObjectName("avg_lineedit");

    save_busy = false;
}

frmain::~frmain() {
    // What was written goes out before the port is destroyed with the window: closing it drops
    // (on Windows, cancels) whatever is still queued.
    if (serial_port->isOpen() && serial_port->bytesToWrite() > 0)
        serial_port->waitForBytesWritten(1000);
    delete record_file;
}

void frmain::every_connect() {
    connect(save_data_button, &QPushButton::clicked, this, &frmain::save_data_slot);
    connect(send_config_button, &QPushButton::clicked, this, &frmain::setting_button_slot);
    connect(save_config_button, &QPushButton::clicked, this, &frmain::save_setting_slot);
    connect(avg_button, &QPushButton::clicked, this, &frmain::avg_point_slot);
    connect(outrate_lineedit, &QLineEdit::textEdited, this, &frmain::outrange_warning_slot);
}

// A box or a dialog opened while a configuration sequence runs would hold its pause open until
// it closed: the instrument would see half a command. What would open one (and a sequence
// pressed while the port opens) waits here, and runs once the sequence or the opening is over.
void frmain::run_when_free(std::function<void()> action) {
    waiting_for_line << std::move(action);
}

// Run once the slot that ended the sequence or the opening has returned; what finds the line
// busy again waits again.
void frmain::run_freed() {
    if (waiting_for_line.isEmpty())
        return;
    QTimer::singleShot(0, this, [this] {
        const QList<std::function<void()>> ready = std::move(waiting_for_line);
        waiting_for_line.clear();
        for (const std::function<void()> &action : ready)
            action();
    });
}

// A box raised while the port is read (a lost device, a failed write): shown once the slot has
// returned, and not inside the decoder, which its event loop would hold up; and never while a
// sequence runs. Whether one runs is asked when the box is due, as a press queued meanwhile may
// have started one.
void frmain::show_message_later(const QString &text) {
    QTimer::singleShot(0, this, [this, text] {
        if (!wait_for_sequence([this, text] { show_message_later(text); }))
            show_message(text);
    });
}

// Whether a sequence runs; then action waits for its end.
bool frmain::wait_for_sequence(std::function<void()> action) {
    if (!config_busy)
        return false;
    run_when_free(std::move(action));
    return true;
}

void frmain::keyPressEvent(QKeyEvent *event) {
    qDebug("%d", event->text().toInt());
}

void frmain::closeEvent(QCloseEvent *event) {
    record_file->close();
    event->accept();
}
