#include "record/stamp.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QDateTime>
#include <QFileDialog>
#include <QPushButton>

namespace {
// The button's caption is the only record of whether a recording is on.
const QString idle_caption = QStringLiteral("保存数据");
const QString recording_caption = QStringLiteral("停止保存");
} // namespace

bool frmain::save_data_slot() {
    if (!line->allows(press::record))
        return false;
    save_busy = true;
    bool done = true;
    if (save_data_button->text() == idle_caption)
        done = start_recording();
    else if (save_data_button->text() == recording_caption)
        done = stop_recording();
    save_busy = false;
    read_held_back_bytes();
    return done;
}

bool frmain::start_recording() {
    save_data_button->setText(recording_caption);
    record->close();
    record_file_name = QFileDialog::getSaveFileName(this, "保存数据为", record_file_name,
                                                    "文本(*.txt);;自定义文件(*.*)");
    if (record_file_name.isEmpty()) {
        end_recording();
        return false;
    }
    if (!record->open(record_file_name)) {
        end_recording();
        line->show_when_free("\n文件打开失败\n请检查文件路径和权限！\n");
        return false;
    }
    return write_to_file(stamp_line(QDateTime::currentDateTime()));
}

bool frmain::stop_recording() {
    const bool written = write_to_file(stamp_line(QDateTime::currentDateTime()));
    end_recording();
    return written;
}

// Back to idle, whether stopped, cancelled or failed.
void frmain::end_recording() {
    record->close();
    save_data_button->setText(idle_caption);
}

// A failed or short write ends the recording where the operator can see it; the box waits until
// the read that wrote has returned, so that reading goes on while it is open.
bool frmain::write_to_file(const QByteArray &bytes) {
    if (record->write(bytes))
        return true;
    end_recording();
    line->show_when_free("\n数据写入失败\n记录已停止！\n");
    return false;
}
