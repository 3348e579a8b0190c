// The line's state without a port: which presses are refused where, the controls kept in step,
// and what waits for a sequence's end.
#include "link/line_state.h"
#include "support/dialog_answerer.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

class test_line_state : public QObject {
    Q_OBJECT
private slots:
    void controls_follow_the_state();
    void due_after_the_sequence_once_each();
};

void test_line_state::controls_follow_the_state() {
    bool config_busy = false;
    QWidget window;
    QPushButton open("打开串口"), send, store, record, points;
    QComboBox port;
    send.setEnabled(false); // the rate field is empty
    line_state line({&open, {&port}, {&send, &store, &record, &points}}, config_busy, &window);
    auto enabled = [&] {
        return QVector<bool>{open.isEnabled(),  port.isEnabled(),   send.isEnabled(),
                             store.isEnabled(), record.isEnabled(), points.isEnabled()};
    };

    line.set_port(port_phase::opening);
    QCOMPARE(open.text(), QString("关闭串口"));
    QVERIFY(line.allows(press::open_close) && !line.allows(press::record));
    QCOMPARE(enabled(), (QVector<bool>{true, false, false, false, false, false}));

    line.set_port(port_phase::open);
    QCOMPARE(enabled(), (QVector<bool>{true, false, false, true, true, true}));
    line.begin_sequence();
    QVERIFY(config_busy);
    QVERIFY(!line.allows(press::open_close) && !line.allows(press::sequence));
    QCOMPARE(enabled(), (QVector<bool>{false, false, false, false, false, false}));
    line.end_sequence();
    QVERIFY(!config_busy);
    QCOMPARE(enabled(), (QVector<bool>{true, false, false, true, true, true}));

    line.set_port(port_phase::closed);
    QVERIFY(line.shows_closed());
    QCOMPARE(enabled(), (QVector<bool>{true, true, false, true, true, true}));
}

// A box raised during a sequence opens after it, once however often it was raised; one raised
// outside a sequence opens once the raising slot has returned.
void test_line_state::due_after_the_sequence_once_each() {
    dialog_answerer answerer;
    bool config_busy = false;
    QWidget window;
    QPushButton open("打开串口");
    line_state line({&open, {}, {}}, config_busy, &window);
    line.begin_sequence();
    line.show_when_free("lost");
    line.show_when_free("lost");
    int checks = 0;
    line.after_sequence("rate", [&] { ++checks; });
    line.after_sequence("rate", [&] { ++checks; });
    QTest::qWait(50);
    QVERIFY(answerer.messages.isEmpty());
    line.end_sequence();
    QTRY_COMPARE(answerer.messages, QStringList{"lost"});
    QCOMPARE(checks, 1);
    line.show_when_free("write failed");
    QVERIFY(answerer.messages.size() == 1);
    QTRY_COMPARE(answerer.messages, (QStringList{"lost", "write failed"}));
}

QTEST_MAIN(test_line_state)
#include "test_line_state.moc"
