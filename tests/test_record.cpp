// Recording the received stream: the file's exact bytes, the dialog, and failures.
#include "app/startup.h"
#include "support/link_fixture.h"
#include "support/style_noise.h"

#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

// Checks a 21-byte time-stamp line and that it lies within [from, to], to the second.
bool stamp_within(const QByteArray &line, const QDateTime &from, const QDateTime &to) {
    static const QRegularExpression pattern("^\\d{4}_\\d{2}_\\d{2}_\\d{2}_\\d{2}_\\d{2}\r\n$");
    if (line.size() != 21 || !pattern.match(QString::fromLatin1(line)).hasMatch())
        return false;
    const QDateTime at =
        QDateTime::fromString(QString::fromLatin1(line.left(19)), "yyyy_MM_dd_hh_mm_ss");
    const QDateTime lo = from.addMSecs(-from.time().msec());
    return at.isValid() && at >= lo && at <= to;
}
} // namespace

class test_record : public QObject, private open_line_fixture {
    Q_OBJECT
public:
    // Before the application object is made: the window scales as start-up scales it.
    static void initMain() { enable_display_scaling(); }

private:
    QTemporaryDir dir;

    void start_recording(const QString &path);

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { tear_down(); }

    void start_then_stop_keeps_every_byte();
    void existing_file_replaced();
    void cancel_touches_nothing();
    void bytes_during_dialog_land_after_start_line_data();
    void bytes_during_dialog_land_after_start_line();
    void on_disk_before_next_record();
    void unopenable_paths_data();
    void unopenable_paths();
    void disk_full_stops_recording();
    void closing_window_leaves_no_stop_line();
};

void test_record::initTestCase() {
    drop_known_style_noise();
    QVERIFY(set_up());
}

void test_record::init() {
    w->answerer.messages.clear();
    w->answerer.save_dialogs.clear();
    w->answerer.set_answer_delay(0);
    w->answerer.on_open = nullptr;
}

void test_record::start_recording(const QString &path) {
    w->answerer.answer_save_dialog(path);
    press(w->get()->save_data_button);
}

void test_record::start_then_stop_keeps_every_byte() {
    const QString path = dir.filePath("run.txt");
    const QDateTime from = QDateTime::currentDateTime();
    start_recording(path);
    QCOMPARE(w->get()->save_data_button->text(), QString("停止保存"));
    QCOMPARE(w->answerer.save_dialogs.size(), 1);
    const auto seen = w->answerer.save_dialogs.first();
    QCOMPARE(seen.title, QString("保存数据为"));
    QCOMPARE(seen.filters, (QStringList{"文本(*.txt)", "自定义文件(*.*)"}));
    QVERIFY(seen.had_parent);

    const QList<QByteArray> chunks = {"$ 1486.512 25.400\r\n", "$ 1486.5", "13 25.401\r\n",
                                      QByteArray("$ 14\0\0"
                                                 "86.514 25.402\r\n",
                                                 22),
                                      "\xff\xfe noise\r\n"};
    for (const QByteArray &chunk : chunks)
        feed(*pty, chunk, 80);
    press(w->get()->save_data_button);
    const QDateTime to = QDateTime::currentDateTime();
    QCOMPARE(w->get()->save_data_button->text(), QString("保存数据"));
    QVERIFY(!w->get()->record_file->isOpen());

    const QByteArray file = read_file(path);
    QByteArray body;
    for (const QByteArray &chunk : chunks)
        body += chunk;
    QCOMPARE(file.size(), 21 + body.size() + 21);
    QVERIFY(stamp_within(file.left(21), from, to));
    QCOMPARE(file.mid(21, body.size()), body);
    QVERIFY(stamp_within(file.right(21), from, to));
    QVERIFY(w->answerer.messages.isEmpty());
}

void test_record::existing_file_replaced() {
    const QString path = dir.filePath("old.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'z'));
    old.close();
    start_recording(path);
    press(w->get()->save_data_button);
    QCOMPARE(read_file(path).size(), 42);
    QVERIFY(!read_file(path).contains('z'));
}

void test_record::cancel_touches_nothing() {
    // A recording first, so that the dialog has an earlier name to offer.
    const QString path = dir.filePath("kept.txt");
    start_recording(path);
    press(w->get()->save_data_button);
    const QByteArray kept = read_file(path);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);

    start_recording(QString());
    QCOMPARE(w->answerer.save_dialogs.last().start_path, QString("kept.txt"));
    QCOMPARE(w->get()->save_data_button->text(), QString("保存数据"));
    QVERIFY(!w->get()->record_file->isOpen());
    QVERIFY(!w->get()->save_busy);
    QVERIFY(w->get()->record_file_name.isEmpty());
    QCOMPARE(read_file(path), kept);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), files);

    // The next dialog offers no earlier name.
    start_recording(QString());
    QVERIFY(w->answerer.save_dialogs.last().start_path.isEmpty());
    QVERIFY(w->answerer.messages.isEmpty());
}

void test_record::bytes_during_dialog_land_after_start_line_data() {
    QTest::addColumn<bool>("device_goes");
    QTest::newRow("port open") << false;
    // What the port held when the device went is decoded and recorded all the same.
    QTest::newRow("device gone meanwhile") << true;
}

void test_record::bytes_during_dialog_land_after_start_line() {
    QFETCH(bool, device_goes);
    pty_instrument line;
    app_window win;
    QVERIFY(open_port(win));
    frmain *f = win.get();
    const QString path = dir.filePath("dialog.txt");
    bool busy_while_open = false;
    quint32 count_while_open = 1;
    win.answerer.on_open = [&] {
        if (busy_while_open)
            return; // the box about the device, over the dialog
        busy_while_open = f->save_busy;
        line.write("$ 1111.111 11.111\r\n$ 1111.112 11.112\r\n");
        QTRY_COMPARE(f->serial_port->bytesAvailable(), qint64(38));
        count_while_open = f->velocity_count;
        if (device_goes)
            line.hang_up(); // the port closes while the dialog stays open a while
    };
    win.answerer.set_answer_delay(device_goes ? 300 : 0);
    win.answerer.answer_save_dialog(path);
    press(f->save_data_button);
    QVERIFY(busy_while_open);
    QCOMPARE(count_while_open, 0u); // not read while the dialog is open
    QCOMPARE(f->serial_port->isOpen(), !device_goes);
    QVERIFY(!f->save_busy);
    // Read once the dialog has closed, without waiting for a further byte.
    QTRY_COMPARE(f->velocity_edit->text(), QString("1111.112"));
    QCOMPARE(f->velocity_count, 2u);
    press(f->save_data_button);
    const QByteArray file = read_file(path);
    QCOMPARE(file.mid(21, file.size() - 42),
             QByteArray("$ 1111.111 11.111\r\n$ 1111.112 11.112\r\n"));
    QCOMPARE(win.answerer.messages.size(), device_goes ? 1 : 0);
}

void test_record::on_disk_before_next_record() {
    const QString path = dir.filePath("follow.txt");
    start_recording(path);
    QByteArray expected;
    for (int i = 0; i < 3; ++i) {
        const QByteArray record = "$ 148" + QByteArray::number(i) + ".000 25.000\r\n";
        expected += record;
        feed(*pty, record, 80);
        QCOMPARE(read_file(path).mid(21), expected);
    }
    press(w->get()->save_data_button);
}

void test_record::unopenable_paths_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("a directory") << dir.path();
    QTest::newRow("in a missing directory") << dir.filePath("missing/run.txt");
}

void test_record::unopenable_paths() {
    QFETCH(QString, path);
    start_recording(path);
    QVERIFY(w->answerer.wait_for_messages(1));
    QCOMPARE(w->answerer.messages, QStringList{"\n文件打开失败\n请检查文件路径和权限！\n"});
    QCOMPARE(w->get()->save_data_button->text(), QString("保存数据"));
    QVERIFY(!w->get()->save_busy);
    QVERIFY(!w->get()->record_file->isOpen());
}

void test_record::disk_full_stops_recording() {
    start_recording("/dev/full");
    QVERIFY(w->answerer.wait_for_messages(1));
    QCOMPARE(w->answerer.messages, QStringList{"\n数据写入失败\n记录已停止！\n"});
    QCOMPARE(w->get()->save_data_button->text(), QString("保存数据"));
    QVERIFY(!w->get()->record_file->isOpen());
    feed(*pty, "$ 1499.000 20.000\r\n$ 1498.000 20.000\r\n");
    QTRY_COMPARE(w->get()->velocity_edit->text(), QString("1498.000"));
    QCOMPARE(w->answerer.messages.size(), 1);
}

void test_record::closing_window_leaves_no_stop_line() {
    pty_instrument line;
    app_window win;
    QVERIFY(open_port(win));
    const QString path = dir.filePath("closed.txt");
    win.answerer.answer_save_dialog(path);
    press(win->save_data_button);
    line.write("$ 1486.512 25.400\r\n");
    QTRY_COMPARE(win->velocity_edit->text(), QString("1486.512"));
    QVERIFY(win->close());
    QVERIFY(!win->record_file->isOpen());
    const QByteArray file = read_file(path);
    QCOMPARE(file.size(), 21 + 19);
    QCOMPARE(file.mid(21), QByteArray("$ 1486.512 25.400\r\n"));
}

QTEST_MAIN(test_record)
#include "test_record.moc"
