// The measurement stream without a port: bytes in from a buffer; records, the block average, what
// the status area shows and what the record file gets, out.
#include "link/stream.h"

#include <QBuffer>
#include <QTest>

namespace {
// A stream over members of its own, as the window's.
struct stream_under_test {
    QString rx_text, velocity_text, temperature_text;
    QStringList rx_fields;
    double velocity_sum = 0;
    quint32 velocity_count = 0, avg_point_count = 5;
    display_frame frame;
    measurement_stream stream{{rx_text, rx_fields, velocity_text, temperature_text, velocity_sum,
                               velocity_count, avg_point_count},
                              frame};
    QByteArray file;
    QStringList velocities, temperatures, averages;

    stream_under_test() {
        stream.to_file = [this](const QByteArray &bytes) { file += bytes; };
        stream.on_reading = [this](const measurement_stream::reading &r) {
            velocities << r.velocity;
            temperatures << (r.temperature ? *r.temperature : QString("-"));
            if (r.average)
                averages << *r.average;
        };
    }
    bool feed(const QByteArray &chunk, bool during_sequence = false) {
        QBuffer buffer;
        buffer.setData(chunk);
        buffer.open(QIODevice::ReadOnly);
        return stream.read(&buffer, during_sequence);
    }
};

QStringList take_all(QString &acc) {
    QStringList bodies;
    take_records(acc, [&bodies](const QStringRef &body) { bodies << body.toString(); });
    return bodies;
}

QString chunk_text(const QByteArray &chunk) {
    QString text;
    append_chunk_text(text, chunk);
    return text;
}
} // namespace

class test_stream : public QObject {
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void records_for_the_file_data();
    void records_for_the_file();
    void readings_with_their_average();
    void lost_device_bytes_come_first();
    void afresh_after_reopening();
    void accumulator_bound();
    void chunk_text_without_nul();
    void block_average();
};

void test_stream::records_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("bodies");
    QTest::addColumn<QString>("left");
    QTest::newRow("two fields") << "$ 1486.512 25.400\r\n"
                                << QStringList{"1486.512 25.400\r\n"} << "";
    QTest::newRow("one field") << "$ 1486.512\r\n" << QStringList{"1486.512\r\n"} << "";
    QTest::newRow("several") << "$ 1 2\r\n$ 3 4\r\n$ 5" << QStringList{"1 2\r\n", "3 4\r\n"}
                             << "$ 5";
    QTest::newRow("text before") << "OK\r\n$ 1 2\r\n" << QStringList{"1 2\r\n"} << "";
    QTest::newRow("no dollar dropped") << "reply text\r\n" << QStringList{} << "";
    QTest::newRow("text before a partial") << "junk$ 14" << QStringList{} << "$ 14";
    QTest::newRow("dollar then line end") << "$\r\n" << QStringList{} << "";
    QTest::newRow("dollar, blank, line end") << "$ \r\n" << QStringList{"\r\n"} << "";
    QTest::newRow("CR waits for LF") << "$ 1486.5\r" << QStringList{} << "$ 1486.5\r";
    QTest::newRow("LF alone is no end") << "$ 1\n$ 2\r\n" << QStringList{"2\r\n"} << "";
    QTest::newRow("noise holding a dollar") << "#$x\xff$ 1486.5 20.0\r\n$ 1487.0\r\n"
                                            << QStringList{"1486.5 20.0\r\n", "1487.0\r\n"} << "";
    QTest::newRow("lost LF") << "$ 1486.5\r$ 1487.0\r\n" << QStringList{"1487.0\r\n"} << "";
    QTest::newRow("missing separator") << "$1486.5 20.0\r\n$ 1" << QStringList{} << "$ 1";
}

// Each record is echoed to the status area, and its fields are what the read-outs show next.
void test_stream::records() {
    QFETCH(QString, input);
    QFETCH(QStringList, bodies);
    QFETCH(QString, left);
    stream_under_test s;
    s.feed(input.toUtf8());
    QString echoed;
    for (const QString &body : bodies)
        echoed += "$ " + body;
    QCOMPARE(s.frame.status, echoed);
    QCOMPARE(s.rx_text, left);
    QCOMPARE(s.velocities.size(), bodies.size());
    QCOMPARE(s.file, input.toUtf8()); // every byte recorded outside a sequence
}

void test_stream::records_for_the_file_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<bool>>("during_sequence");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("status");
    QTest::newRow("replies out, records in")
        << QList<QByteArray>{"OK\r\n$ 1 2\r\nERR x\r\n$ 3\r\n"} << QList<bool>{true}
        << QByteArray("$ 1 2\r\n$ 3\r\n") << "$ 1 2\r\n$ 3\r\nOK\r\nERR x\r\n";
    QTest::newRow("a record over three chunks")
        << QList<QByteArray>{"$ 1", " 2\r", "\nOK\r\n"} << QList<bool>{true, true, true}
        << QByteArray("$ 1 2\r\n") << "$ 1 2\r\nOK\r\n";
    QTest::newRow("begun before the sequence")
        << QList<QByteArray>{"$ 1", " 2\r", "\nOK\r\n"} << QList<bool>{false, false, true}
        << QByteArray("$ 1 2\r\n") << "$ 1 2\r\nOK\r\n";
    QTest::newRow("ended after the sequence")
        << QList<QByteArray>{"OK\r\n$ 1", " 2\r\n$ 3"} << QList<bool>{true, false}
        << QByteArray("$ 1 2\r\n$ 3") << "OK\r\n$ 1 2\r\n";
    QTest::newRow("a dollar in noise") << QList<QByteArray>{"$ 14#x$ 1 2\r\n"} << QList<bool>{true}
                                       << QByteArray("$ 1 2\r\n") << "$ 1 2\r\n$ 14#x";
    QTest::newRow("NUL bytes kept in the file")
        << QList<QByteArray>{QByteArray("$ 1\0 2\r\n\0", 9)} << QList<bool>{true}
        << QByteArray("$ 1\0 2\r\n", 8) << "$ 1 2\r\n";
}

// During a sequence every complete record still reaches the file, whole and in order; the other
// bytes go to the status area alone. Outside one, every byte is recorded.
void test_stream::records_for_the_file() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<bool>, during_sequence);
    QFETCH(QByteArray, file);
    QFETCH(QString, status);
    stream_under_test s;
    for (int i = 0; i < chunks.size(); ++i)
        s.feed(chunks[i], during_sequence[i]);
    QCOMPARE(s.file, file);
    QCOMPARE(s.frame.status, status);
}

// What the read-outs show next and what is handed on with each reading.
void test_stream::readings_with_their_average() {
    stream_under_test s;
    s.avg_point_count = 2;
    QVERIFY(s.feed("$ 1486.0 25.0\r\n$ 1488.0\r\n$ abc 1\r\n"));
    QCOMPARE(s.velocities, (QStringList{"1486.0", "1488.0\r\n", "abc"}));
    QCOMPARE(s.temperatures, (QStringList{"25.0\r\n", "-", "1\r\n"}));
    QCOMPARE(s.averages, QStringList{"1487"});
    QCOMPARE(*s.frame.velocity, QString("abc"));
    QCOMPARE(*s.frame.temperature, QString("1\r\n"));
    QCOMPARE(*s.frame.average, QString("1487"));
    // A record without a temperature shows the blank value.
    QVERIFY(s.feed("$ 1490.0\r\n"));
    QCOMPARE(*s.frame.temperature, QString("0000.000"));
    QVERIFY(!s.feed(""));
}

// What a lost device held is decoded and recorded before anything read later.
void test_stream::lost_device_bytes_come_first() {
    stream_under_test s;
    QBuffer lost;
    lost.setData("$ 1486.0 2");
    lost.open(QIODevice::ReadOnly);
    s.stream.keep_unread(&lost);
    QVERIFY(s.stream.holds_unread());
    s.feed("ignored until the held bytes are read");
    QCOMPARE(s.file, QByteArray("$ 1486.0 2"));
    QVERIFY(!s.stream.holds_unread());
}

// A new session starts with nothing of a record or an average from before.
void test_stream::afresh_after_reopening() {
    stream_under_test s;
    s.avg_point_count = 3;
    s.feed("$ 1000\r\n$ 1000\r\n$ 14");
    s.stream.start_afresh();
    s.feed("99.0 21.0\r\n$ 2000\r\n$ 2000\r\n$ 2000\r\n");
    QCOMPARE(s.velocities,
             (QStringList{"1000\r\n", "1000\r\n", "2000\r\n", "2000\r\n", "2000\r\n"}));
    QCOMPARE(s.averages, QStringList{"2000"});
}

void test_stream::accumulator_bound() {
    QString acc = "$ " + QString(5000, 'a');
    QVERIFY(take_all(acc).isEmpty());
    QVERIFY(acc.size() <= max_pending_record);

    // A later "$" that fits is kept: the record it starts is still whole.
    acc = "$ " + QString(5000, 'a') + "$ 1486.5 2";
    take_all(acc);
    QCOMPARE(acc, QString("$ 1486.5 2"));
    acc += "5.0\r\n";
    QCOMPARE(take_all(acc), QStringList{"1486.5 25.0\r\n"});

    // A pending record of exactly the bound is kept.
    acc = "$" + QString(max_pending_record - 1, 'b');
    take_all(acc);
    QCOMPARE(acc.size(), max_pending_record);
}

void test_stream::chunk_text_without_nul() {
    QCOMPARE(chunk_text(QByteArray("$ 1486.5\0\0 25.0\r\n", 18)), QString("$ 1486.5 25.0\r\n"));
    QCOMPARE(chunk_text("\xe2\x84\x83"), QString("℃"));
    QCOMPARE(chunk_text(QByteArray("\0", 1)), QString());
    QCOMPARE(chunk_text("\x7f$ 1\r\n"), QString("\x7f$ 1\r\n"));
    QCOMPARE(chunk_text("\xff"), QString(QChar::ReplacementCharacter));

    // Fields are split into the strings already there.
    QStringList fields = {"old", "old", "old"};
    const QString body = "1486.5  25\r\n";
    split_fields(fields, body.midRef(0));
    QCOMPARE(fields, (QStringList{"1486.5", "", "25\r\n"}));
    split_fields(fields, body.midRef(0, 6));
    QCOMPARE(fields, QStringList{"1486.5"});
}

void test_stream::block_average() {
    double sum = 0;
    quint32 count = 0;
    const QStringList readings = {"1486.1", "1486.2", "1486.3", "1486.4", "1486.5\r\n"};
    for (int i = 0; i < 4; ++i)
        QVERIFY(!add_to_average(sum, count, 5, readings[i]));
    QCOMPARE(*add_to_average(sum, count, 5, readings[4]), QString("1486.3"));
    QCOMPARE(count, 0u);
    QCOMPARE(sum, 0.0);
    QVERIFY(!add_to_average(sum, count, 5, "1500"));
    QCOMPARE(count, 1u);

    // What is not a finite number is neither summed nor counted: four readings of 1500 and one
    // such average to 1500, not 1200. Seven significant digits.
    for (const char *not_finite :
         {"abc", "", "\r\n", "1e999", "-1e999", "inf", "-inf", "nan", "1486.1x"}) {
        sum = 0;
        count = 0;
        QVERIFY(!add_to_average(sum, count, 2, not_finite));
        QCOMPARE(count, 0u);
        QVERIFY(!add_to_average(sum, count, 2, "1486.123"));
        QCOMPARE(*add_to_average(sum, count, 2, "1486.124"), QString("1486.124"));
    }
    sum = 0;
    count = 0;
    QVERIFY(!add_to_average(sum, count, 2, QString(400, '9')));
    QCOMPARE(count, 0u);

    // The average of finite readings is finite, however large they are.
    const QList<QPair<QStringList, QString>> large = {
        {{"1e308", "1e308"}, "1e+308"},
        {{"1.7e308", "1.7e308", "1.7e308"}, "1.7e+308"},
        {{"-1.7e308", "1.7e308"}, "0"},
        {{"1.7976931348623157e308", "1.7976931348623157e308"}, "1.797693e+308"}};
    for (const auto &[block, average] : large) {
        sum = 0;
        count = 0;
        std::optional<QString> shown;
        for (const QString &reading : block)
            shown = add_to_average(sum, count, quint32(block.size()), reading);
        QCOMPARE(*shown, average);
    }

    // N of 1 or 0 shows the reading itself and sums nothing.
    sum = 7;
    count = 3;
    QCOMPARE(*add_to_average(sum, count, 1, "1486.512\r\n"), QString("1486.512\r\n"));
    QCOMPARE(*add_to_average(sum, count, 0, "x"), QString("x"));
    QCOMPARE(count, 3u);
    QCOMPARE(sum, 7.0);
}
QTEST_GUILESS_MAIN(test_stream)
#include "test_stream.moc"
