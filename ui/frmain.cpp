#include "ui/frmain.h"
#include "trend/trend_opener.h"
#include "ui/fonts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtDebug>

frmain::frmain(QWidget *parent) : QWidget(parent) {
    if (fonts_for_windows)
        setFont(with_chinese_fallbacks(font()));
    record_file = new QFile();

    data_setting();
    machine_setting();
    status_setting();

    serial_port = new QSerialPort(this);
    connect(serial_port, &QSerialPort::errorOccurred, this, &frmain::port_error);
    refresh_port_list();

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

    line = new line_state({open_button,
                           {port_combo, baud_combo, data_bits_combo, parity_combo, stop_bits_combo},
                           {send_config_button, save_config_button, save_data_button, avg_button}},
                          config_busy, this);
    display = new measurement_display(this, {velocity_edit, avg_velocity_edit, temperature_edit},
                                      staus_show);
    stream.reset(new measurement_stream({rx_text, rx_fields, velocity_text, temperature_text,
                                         velocity_sum, velocity_count, avg_point_count},
                                        display->next_frame));
    record.reset(new recorder(record_file));
    watch = new port_watch(this);
    watch->reopen = [this] { return reopen_lost_port(); };
    connect(port_combo, QOverload<int>::of(&QComboBox::activated), this, &frmain::stop_watching);
    stream->to_file = [this](const QByteArray &bytes) { write_to_file(bytes); };
    trends.reset(new trend_store);
    stream->on_reading = [this](const measurement_stream::reading &r) {
        trends->append(r.received_ms, r.wall_ms, r.velocity,
                       r.temperature ? std::optional<QStringView>(*r.temperature) : std::nullopt,
                       r.average ? std::optional<QStringView>(*r.average) : std::nullopt);
    };
    display->on_frame = [this] {
        if (trend_view)
            trend_view->refresh();
    };
    install_trend_opener({velocity_edit, avg_velocity_edit, temperature_edit}, display_group,
                         [this] { open_trend(); });
    line->on_change = [this] { line_changed(); };
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

// Held off while the save dialog runs; during a sequence the instrument's replies go to the status
// area and stay out of the file.
void frmain::ReadMyCom_slot() {
    if (save_busy)
        return;
    if (stream->read(serial_port, config_busy))
        display->show_in_next_frame();
}

// Qt signals readyRead only when new bytes come, so bytes left unread while the stream was held
// off (save_busy, or not yet connected) would wait for the next byte: read them now, and what the
// port held when the device went.
void frmain::read_held_back_bytes() {
    if (!save_busy &&
        ((serial_port->isOpen() && serial_port->bytesAvailable() > 0) || stream->holds_unread()))
        ReadMyCom_slot();
}

// One trend window at most, kept while the program runs: asking again raises it.
void frmain::open_trend() {
    if (!trend_view) {
        trend_view = new trend_window(*trends, this);
        trend_view->set_dialogs_allowed(!config_busy);
    }
    trend_view->present();
}

// The trend's line breaks where the port closed or was lost; its dialogs wait for a sequence.
void frmain::line_changed() {
    if (line->port() == port_phase::closed || line->port() == port_phase::waiting)
        trends->mark_gap();
    if (trend_view)
        trend_view->set_dialogs_allowed(!config_busy);
}

void frmain::keyPressEvent(QKeyEvent *event) {
    qDebug("%d", event->text().toInt());
}

void frmain::closeEvent(QCloseEvent *event) {
    record_file->close();
    event->accept();
}
