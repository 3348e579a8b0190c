// The real window against the simulated instrument process.
#include "support/link_fixture.h"
#include "support/sim_process.h"
#include "support/test_main.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

class test_end_to_end : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drop_known_style_noise(); }
    void readings_and_configuration();
    void hang_up_is_reported();
};

void test_end_to_end::readings_and_configuration() {
    sim_process sim({"--seed", "11"});
    QVERIFY(sim.started());
    app_window w;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(open_port(w));
    QTRY_VERIFY_WITH_TIMEOUT(w->velocity_edit->text() != "0000.000", 2000);
    QVERIFY(clock.elapsed() < 2000 + 100);
    QVERIFY(w->temperature_edit->text().endsWith("\r\n"));

    // Output rate 20: records then come at about 20 a second.
    w->outrate_lineedit->setText("20");
    press(w->send_config_button);
    QVERIFY(w->staus_show->toPlainText().contains("OK data rate 20"));
    QVERIFY(w->staus_show->toPlainText().contains("OK water temp enable"));
    w->avg_point_count = 1000000;
    QTest::qWait(300);
    const quint32 before = w->velocity_count;
    QTest::qWait(2000);
    const quint32 in_two_seconds = w->velocity_count - before;
    QVERIFY2(in_two_seconds >= 34 && in_two_seconds <= 46,
             qPrintable(QString::number(in_two_seconds)));

    // Temperature output off.
    w->temp_combo->setCurrentIndex(1);
    press(w->send_config_button);
    QVERIFY(w->staus_show->toPlainText().contains("OK water temp disable"));
    QTest::qWait(300);
    QCOMPARE(w->temperature_edit->text(), QString("0000.000"));
    QVERIFY(w->velocity_edit->text().endsWith("\r\n"));

    // Storing shows the instrument's replies.
    press(w->save_config_button);
    QVERIFY(w->staus_show->toPlainText().contains("Store configuration? (y/n)"));
    QVERIFY(w->staus_show->toPlainText().contains("OK configuration stored"));
}

void test_end_to_end::hang_up_is_reported() {
    sim_process sim({"--hangup-after", "90", "--rate", "30"});
    QVERIFY(sim.started());
    app_window w;
    QVERIFY(open_port(w));
    QVERIFY(w.answerer.wait_for_messages(1, 5000));
    QCOMPARE(w.answerer.messages, QStringList{"\n串口连接已断开\n请检查设备连接！\n"});
    QCOMPARE(w->open_button->text(), QString("打开串口"));
    QVERIFY(w->port_combo->isEnabled());
    QVERIFY(!w->serial_port->isOpen());
    QVERIFY(w->velocity_count > 0 || w->velocity_edit->text() != "0000.000");
}

QTEST_MAIN(test_end_to_end)
#include "test_end_to_end.moc"
