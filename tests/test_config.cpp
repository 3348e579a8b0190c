// The configuration sequences on the line, the output-rate check and the average point count.
#include "app/startup.h"
#include "config/command_text.h"
#include "support/link_fixture.h"
#include "support/style_noise.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {
using seen_bytes = QVector<pty_instrument::byte_seen>;

// A pseudo-terminal hands each byte to its master side from a kernel worker, which a busy
// machine holds up by several milliseconds (up to 6 ms seen with both cores loaded). A byte
// stamped late shortens the gap after it, so every span below may come out that much short; a
// span over many pauses loses it only once, so pauses cut short every time still show.
constexpr double late_ms = 10;

// Whether at least ms passed on the line from byte `from` to byte `to`.
bool apart(const seen_bytes &seen, int from, int to, double ms, const QString &what, QString *why) {
    const double gap = seen[to].at_ms - seen[from].at_ms;
    if (gap >= ms - late_ms)
        return true;
    *why = QString("%1: %2 ms, not %3").arg(what).arg(gap).arg(ms);
    return false;
}

// Checks one command line: every character its own write 20 ms after the one before, then its
// CR 20 + 100 ms after the last character. Returns the index after the CR.
int check_command(const seen_bytes &seen, int at, const QByteArray &text, QString *why) {
    const int first = at;
    for (int i = 0; i < text.size(); ++i, ++at) {
        if (at >= seen.size() || seen[at].byte != text[i]) {
            *why = QString("'%1' missing at %2").arg(QString(text)).arg(at);
            return -1;
        }
        // A byte held up longer than late_ms (17 ms has been seen) shortens the gap after it by
        // as much as it lengthens the one before: the two pauses together must still be there.
        if (i > 0 &&
            !apart(seen, at - 1, at, 20, QString("'%1' [%2]").arg(QString(text)).arg(i), why) &&
            (at < 2 ||
             !apart(seen, at - 2, at, 2 * 20,
                    QString("'%1' [%2] with the pause before it").arg(QString(text)).arg(i), why)))
            return -1;
    }
    if (!apart(seen, first, at - 1, 20 * (text.size() - 1), "'" + text + "'", why))
        return -1;
    if (at >= seen.size() || seen[at].byte != '\r') {
        *why = QString("no CR after '%1'").arg(QString(text));
        return -1;
    }
    if (!apart(seen, at - 1, at, 20 + 100, "CR after '" + text + "'", why))
        return -1;
    return at + 1;
}
} // namespace

class test_config : public QObject, private open_line_fixture {
    Q_OBJECT
public:
    // Before the application object is made: the window scales as start-up scales it.
    static void initMain() { enable_display_scaling(); }

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { tear_down(); }

    void send_configuration_data();
    void send_configuration();
    void save_configuration();
    void replies_go_to_status_not_file();
    void boxes_wait_for_the_sequence_data();
    void boxes_wait_for_the_sequence();
    void pressed_while_the_port_opens_data();
    void pressed_while_the_port_opens();
    void second_press_is_dropped();
    void sequences_with_port_closed();
    void output_rate_check_data();
    void output_rate_check();
    void typing_35();
    void program_set_text_is_not_checked();
    void point_count_data();
    void point_count();
};

void test_config::initTestCase() {
    drop_known_style_noise();
    QVERIFY(set_up());
}

void test_config::init() {
    pty->read_for(0);
    w->answerer.messages.clear();
    w->answerer.message_had_parent.clear();
}

void test_config::send_configuration_data() {
    QTest::addColumn<int>("baud_index");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("temp_index");
    QTest::addColumn<bool>("edit_while_sending");
    QTest::addColumn<QList<QByteArray>>("commands");
    const QList<QByteArray> start = {"uart bps 9600", "data rate 8", "water temp enable"};
    QTest::newRow("start values") << 2 << "8" << 0 << false << start;
    QTest::newRow("115200, 08, disable")
        << 6 << "08" << 1 << false
        << QList<QByteArray>{"uart bps 115200", "data rate 08", "water temp disable"};
    // The values were taken at the press: emptying the field meanwhile changes nothing sent.
    QTest::newRow("rate erased while sending") << 2 << "8" << 0 << true << start;
}

void test_config::send_configuration() {
    QFETCH(int, baud_index);
    QFETCH(QString, rate);
    QFETCH(int, temp_index);
    QFETCH(bool, edit_while_sending);
    QFETCH(QList<QByteArray>, commands);
    w->get()->machine_baud_combo->setCurrentIndex(baud_index);
    w->get()->outrate_lineedit->setText(rate);
    w->get()->temp_combo->setCurrentIndex(temp_index);
    if (edit_while_sending)
        QTimer::singleShot(150, [this] {
            w->get()->outrate_lineedit->end(false);
            QTest::keyClick(w->get()->outrate_lineedit, Qt::Key_Backspace);
        });

    const qint64 start = monotonic_ms();
    press(w->get()->send_config_button);
    const qint64 took = monotonic_ms() - start;
    const seen_bytes seen = pty->read_for(50);

    QByteArray expected = "\r";
    int characters = 0;
    for (const QByteArray &c : commands) {
        expected += c + "\r";
        characters += c.size();
    }
    QCOMPARE(pty_instrument::bytes_of(seen), expected);
    // 1100 ms of pauses between the commands, and 20 ms behind every character.
    QVERIFY2(took >= 1100 + 20 * characters, qPrintable(QString("sequence took %1 ms").arg(took)));

    // The leading CR, then 100 ms before the first character of the first command.
    QString why;
    QVERIFY2(apart(seen, 0, 1, 100, "leading CR", &why), qPrintable(why));
    int at = 1;
    const int pause_after_cr[] = {200, 200, 300};
    for (int i = 0; i < commands.size(); ++i) {
        at = check_command(seen, at, commands[i], &why);
        QVERIFY2(at > 0, qPrintable(why));
        if (at < seen.size())
            QVERIFY2(apart(seen, at - 1, at, pause_after_cr[i], "after CR", &why), qPrintable(why));
    }
    // From the leading CR to the last: every pause but the last 300 ms.
    QVERIFY2(apart(seen, 0, seen.size() - 1, 100 + 20 * characters + 3 * 100 + 200 + 200,
                   "whole sequence", &why),
             qPrintable(why));
    QVERIFY(!w->get()->config_busy);
    QCOMPARE(w->get()->send_config_button->isEnabled(), !edit_while_sending);
    w->get()->machine_baud_combo->setCurrentIndex(2);
    w->get()->outrate_lineedit->setText("8");
    w->get()->temp_combo->setCurrentIndex(0);
    w->get()->send_config_button->setEnabled(true);
}

void test_config::save_configuration() {
    const qint64 start = monotonic_ms();
    press(w->get()->save_config_button);
    QVERIFY(monotonic_ms() - start >= 780);
    const seen_bytes seen = pty->read_for(50);
    QCOMPARE(pty_instrument::bytes_of(seen), QByteArray("done\ry\r"));
    QString why;
    const int at = check_command(seen, 0, "done", &why);
    QVERIFY2(at == 5, qPrintable(why));
    QVERIFY2(apart(seen, 4, 5, 200, "'y' after the CR", &why), qPrintable(why));
    QVERIFY2(apart(seen, 5, 6, 100, "CR after 'y'", &why), qPrintable(why));
}

// While a sequence runs the instrument's replies go to the status area and stay out of the file,
// and its records still reach the file, whole and in order: one begun before the sequence, one
// split over chunks, one after noise holding a "$", one ended after the sequence.
void test_config::replies_go_to_status_not_file() {
    frmain *f = w->get();
    QTemporaryDir dir;
    const QString path = dir.filePath("record.txt");
    w->answerer.answer_save_dialog(path);
    press(f->save_data_button);
    QCOMPARE(f->save_data_button->text(), QString("停止保存"));
    f->staus_show->clear();

    pty->write("$ 1486.1 25.0\r\n$ 1486.2 2");
    QTRY_COMPARE(f->velocity_edit->text(), QString("1486.1"));
    bool busy_seen = false;
    const QList<QPair<int, QByteArray>> during = {{100, "5.0\r\nOK done\r\n$ 1486.3 25.0\r\n"},
                                                  {300, "Store configuration? (y/n)\r\n$ 1486.4"},
                                                  {450, " 25.0\r\n$ 14#noise$ 1486.5 25.0\r\n"},
                                                  {650, "OK configuration stored\r\n$ 1486.6 2"}};
    for (const auto &[at, bytes] : during)
        QTimer::singleShot(at, [&, bytes = bytes] {
            busy_seen = f->config_busy;
            pty->write(bytes);
        });
    press(f->save_config_button);
    QVERIFY(busy_seen);
    QVERIFY(!f->config_busy);
    pty->write("5.0\r\n$ 1486.7 25.0\r\n");
    QTRY_COMPARE(f->velocity_edit->text(), QString("1486.7"));
    press(f->save_data_button);

    const QByteArray file = read_file(path);
    QCOMPARE(file.mid(21, file.size() - 42),
             QByteArray("$ 1486.1 25.0\r\n$ 1486.2 25.0\r\n$ 1486.3 25.0\r\n$ 1486.4 25.0\r\n"
                        "$ 1486.5 25.0\r\n$ 1486.6 25.0\r\n$ 1486.7 25.0\r\n"));
    const QString status = f->staus_show->toPlainText();
    for (const char *reply : {"OK done\n", "Store configuration? (y/n)\n", "$ 14#noise",
                              "OK configuration stored\n", "$ 1486.7 25.0\n"})
        QVERIFY2(status.contains(reply), reply);
}

void test_config::boxes_wait_for_the_sequence_data() {
    QTest::addColumn<bool>("store");
    QTest::addColumn<QString>("pressed"); // a button's caption, pressed twice
    QTest::addColumn<QString>("typed");   // keys typed into the rate field ("\b" erases)
    QTest::addColumn<QString>("shown");   // what opens after the sequence; empty: nothing
    const QString rate_box = "\n数值不在范围内!\n请输入(1~30)范围的数字\n";
    QTest::newRow("point count while storing") << true << "设置点数"
                                               << ""
                                               << "";
    QTest::newRow("rate out of range while configuring") << false << ""
                                                         << "0" << rate_box;
    QTest::newRow("999 typed while configuring") << false << ""
                                                 << "\b999" << rate_box;
    QTest::newRow("99 then erased to 9 while configuring") << false << ""
                                                           << "\b99\b"
                                                           << "";
    QTest::newRow("save dialog while storing") << true << "保存数据"
                                               << ""
                                               << "";
    QTest::newRow("closing while configuring") << false << "关闭串口"
                                               << ""
                                               << "";
}

// A box or a dialog opened inside a sequence would hold its pause open until it closed, and the
// instrument would see half a command. Presses are refused while a sequence runs (their buttons
// are disabled); a warning typed into the rate field opens once after it, for the field then.
void test_config::boxes_wait_for_the_sequence() {
    QFETCH(bool, store);
    QFETCH(QString, pressed);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    pty_instrument line;
    app_window win;
    QVERIFY(open_port(win));
    frmain *f = win.get();
    win.answerer.messages.clear();
    win.answerer.answer_save_dialog(QString());
    QStringList opened_while_busy;
    win.answerer.on_open = [&] {
        if (f->config_busy)
            opened_while_busy << "a box or dialog";
    };
    QTimer::singleShot(150, [&] {
        f->outrate_lineedit->end(false);
        for (const QChar key : typed) {
            if (key == '\b')
                QTest::keyClick(f->outrate_lineedit, Qt::Key_Backspace);
            else
                QTest::keyClick(f->outrate_lineedit, key.toLatin1());
        }
        for (QPushButton *b : f->findChildren<QPushButton *>())
            if (!pressed.isEmpty() && b->text() == pressed) {
                QVERIFY(!b->isEnabled());
                press(b);
                press(b);
            }
    });
    press(store ? f->save_config_button : f->send_config_button);
    const seen_bytes seen = line.read_for(50);
    QVERIFY(opened_while_busy.isEmpty());
    QString why;
    const QList<QByteArray> commands =
        store ? QList<QByteArray>{"done"}
              : QList<QByteArray>{"uart bps 9600", "data rate 8", "water temp enable"};
    int at = store ? 0 : 1;
    for (const QByteArray &command : commands) {
        at = check_command(seen, at, command, &why);
        QVERIFY2(at > 0, qPrintable(why));
    }
    QCOMPARE(pty_instrument::bytes_of(seen),
             store ? QByteArray("done\ry\r")
                   : QByteArray("\ruart bps 9600\rdata rate 8\rwater temp enable\r"));

    if (shown.isEmpty()) {
        QTest::qWait(300);
        QCOMPARE(win.answerer.messages, QStringList());
        QVERIFY(win.answerer.save_dialogs.isEmpty());
    } else {
        QTRY_COMPARE(win.answerer.messages, QStringList{shown});
        QTest::qWait(100);
        QCOMPARE(win.answerer.messages, QStringList{shown}); // once
    }
    QVERIFY(opened_while_busy.isEmpty());
    // Nothing ran blindly: the port is open, nothing is recorded, and every button is back.
    QVERIFY(f->serial_port->isOpen());
    QCOMPARE(f->open_button->text(), QString("关闭串口"));
    QCOMPARE(f->save_data_button->text(), QString("保存数据"));
    QVERIFY(f->open_button->isEnabled() && f->save_data_button->isEnabled());
    QCOMPARE(f->send_config_button->isEnabled(),
             check_output_rate(f->outrate_lineedit->text()) == rate_check::in_range);
}

void test_config::pressed_while_the_port_opens_data() {
    QTest::addColumn<QString>("pressed");
    QTest::newRow("a sequence: refused") << "发送配置";
    QTest::newRow("recording: refused") << "保存数据";
    QTest::newRow("closing: closes at once") << "关闭串口";
}

// In the pause after opening, replies would be recorded as data: the other presses wait for its
// end disabled. Closing closes the port at once, and the opening then ends without reading it.
void test_config::pressed_while_the_port_opens() {
    QFETCH(QString, pressed);
    pty_instrument line;
    app_window win;
    frmain *f = win.get();
    bool was_enabled = true;
    QTimer::singleShot(300, [&] {
        for (QPushButton *b : f->findChildren<QPushButton *>())
            if (b->text() == pressed) {
                was_enabled = b->isEnabled();
                press(b);
            }
    });
    const bool closing = pressed == "关闭串口";
    QCOMPARE(open_port(win), !closing);
    QCOMPARE(was_enabled, closing);
    QCOMPARE(pty_instrument::bytes_of(line.read_for(50)), QByteArray());
    QVERIFY(!f->config_busy);
    QVERIFY(win.answerer.save_dialogs.isEmpty());
    QCOMPARE(win.answerer.messages, closing ? QStringList{"串口关闭成功！"} : QStringList());
    QCOMPARE(f->open_button->text(), QString(closing ? "打开串口" : "关闭串口"));
    QCOMPARE(f->port_combo->isEnabled(), closing);
    QCOMPARE(f->send_config_button->isEnabled(), true);
}

void test_config::second_press_is_dropped() {
    frmain *f = w->get();
    QTimer::singleShot(200, [f] {
        press(f->save_config_button);
        press(f->send_config_button);
    });
    press(f->save_config_button);
    QCOMPARE(pty_instrument::bytes_of(pty->read_for(100)), QByteArray("done\ry\r"));
    QVERIFY(!f->config_busy);
}

void test_config::sequences_with_port_closed() {
    pty_instrument line;
    app_window idle;
    QVERIFY(open_port(idle));
    press(idle->open_button);
    idle.answerer.messages.clear();
    QElapsedTimer clock;
    clock.start();
    press(idle->send_config_button);
    QVERIFY(clock.elapsed() >= 1920);
    QVERIFY(!idle->config_busy);
    clock.restart();
    press(idle->save_config_button);
    QVERIFY(clock.elapsed() >= 780);
    QVERIFY(!idle->config_busy);
    QVERIFY(idle.answerer.messages.isEmpty());
    QVERIFY(line.read_for(100).isEmpty());
}

void test_config::output_rate_check_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("warned");
    QTest::newRow("30") << "30" << true << false;
    QTest::newRow("1") << "1" << true << false;
    QTest::newRow("0") << "0" << false << true;
    QTest::newRow("31") << "31" << false << true;
    QTest::newRow("abc") << "abc" << false << true;
    QTest::newRow("empty") << "" << false << false;
}

void test_config::output_rate_check() {
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(bool, warned);
    QLineEdit *field = w->get()->outrate_lineedit;
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
    QTest::qWait(30);
    QCOMPARE(field->text(), text);
    QCOMPARE(w->get()->send_config_button->isEnabled(), enabled);
    if (warned) {
        QVERIFY(!w->answerer.messages.isEmpty());
        QCOMPARE(w->answerer.messages.last(),
                 QString("\n数值不在范围内!\n请输入(1~30)范围的数字\n"));
        QCOMPARE(w->answerer.message_had_parent.last(), false);
    } else {
        QVERIFY(w->answerer.messages.isEmpty());
    }
    field->setText("8");
    w->get()->send_config_button->setEnabled(true);
}

void test_config::typing_35() {
    QLineEdit *field = w->get()->outrate_lineedit;
    field->clear();
    QTest::keyClick(field, '3');
    QVERIFY(w->get()->send_config_button->isEnabled());
    QVERIFY(w->answerer.messages.isEmpty());
    QTest::keyClick(field, '5');
    QTest::qWait(30);
    QVERIFY(!w->get()->send_config_button->isEnabled());
    QCOMPARE(w->answerer.messages, QStringList{"\n数值不在范围内!\n请输入(1~30)范围的数字\n"});
    QCOMPARE(field->text(), QString("35"));
    field->setText("8");
    w->get()->send_config_button->setEnabled(true);
}

void test_config::program_set_text_is_not_checked() {
    w->get()->outrate_lineedit->setText("99");
    QTest::qWait(30);
    QVERIFY(w->get()->send_config_button->isEnabled());
    QVERIFY(w->answerer.messages.isEmpty());
    w->get()->outrate_lineedit->setText("8");
}

void test_config::point_count_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("field_after");
    QTest::newRow("10") << "10" << true << 10 << "10";
    QTest::newRow("5 right after start") << "5" << true << 5 << "5";
    QTest::newRow("007") << "007" << true << 7 << "007";
    QTest::newRow("1000") << "1000" << true << 1000 << "1000";
    QTest::newRow("0") << "0" << false << 5 << "5";
    QTest::newRow("-3") << "-3" << false << 5 << "5";
    QTest::newRow("abc") << "abc" << false << 5 << "5";
    QTest::newRow("empty") << "" << false << 5 << "5";
    QTest::newRow("99999999999") << "99999999999" << false << 5 << "5";
}

void test_config::point_count() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, count);
    QFETCH(QString, field_after);
    pty_instrument line;
    app_window win;
    QVERIFY(open_port(win));
    frmain *f = win.get();

    // Two readings already summed: an accepted count throws them away.
    line.write("$ 1000.0 1\r\n$ 1000.0 1\r\n");
    QTRY_COMPARE(f->velocity_count, 2u);
    f->avg_lineedit->setText(text);
    press(f->avg_button);
    QCOMPARE(win.answerer.messages,
             QStringList{accepted ? "设置成功！" : "数值必须为大于0的整数！"});
    QCOMPARE(win.answerer.message_had_parent, QList<bool>{false});
    QCOMPARE(f->avg_point_count, quint32(count));
    QCOMPARE(f->avg_lineedit->text(), field_after);
    QCOMPARE(f->velocity_count, accepted ? 0u : 2u);
    QCOMPARE(f->velocity_sum == 0.0, accepted);

    if (accepted && count <= 10) {
        // The next average needs count new readings.
        for (int i = 1; i <= count; ++i) {
            line.write("$ 1486.0 1\r\n");
            QTRY_COMPARE(f->velocity_count, quint32(i % count));
            wait_for_frame(win);
            if (i < count)
                QCOMPARE(f->avg_velocity_edit->text(), QString("0000.000"));
        }
        QCOMPARE(f->avg_velocity_edit->text(), QString("1486"));
    }
}

QTEST_MAIN(test_config)
#include "test_config.moc"
