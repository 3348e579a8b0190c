// The trend: the store against a plain scan, the export's bytes, the drawn plots, and the window
// opened from the read-outs.
#include "support/dialog_answerer.h"
#include "trend/field_code.h"
#include "trend/trend_axis.h"
#include "trend/trend_csv.h"
#include "trend/trend_opener.h"
#include "trend/trend_plot.h"
#include "trend/trend_store.h"
#include "trend/trend_window.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <optional>

namespace {
// A reading as the test hands it over.
struct sample {
    qint64 received, wall;
    QString velocity;
    std::optional<QString> temperature, average;
    bool port_closed_before = false;
};

void append(trend_store &store, const sample &s) {
    if (s.port_closed_before)
        store.mark_gap();
    std::optional<QStringView> t, a;
    if (s.temperature)
        t = QStringView(*s.temperature);
    if (s.average)
        a = QStringView(*s.average);
    store.append(s.received, s.wall, s.velocity, t, a);
}

QString without_line_end(QString text) {
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text;
}

// What the plot takes from a field: its value, if it is a finite number.
std::optional<float> plotted(const std::optional<QString> &text) {
    bool ok = false;
    const double v = text ? without_line_end(*text).toDouble(&ok) : 0;
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return float(v);
}

std::optional<QString> field_of(const sample &s, trend_series series) {
    return series == trend_velocity  ? std::optional<QString>(s.velocity)
           : series == trend_average ? s.average
                                     : s.temperature;
}

// A key as the operator presses it, into the window when it is active again after a dialog.
void press(QWidget &window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, key, modifiers);
}

QString local_time(qint64 wall) {
    return QDateTime::fromMSecsSinceEpoch(wall).toString("yyyy-MM-dd hh:mm:ss.zzz");
}

qint64 december_morning() {
    return QDateTime(QDate(2026, 12, 8), QTime(9, 5, 0)).toMSecsSinceEpoch();
}

// Readings at 30 a second, velocity a slow wave, an average every fifth, a temperature ramp.
QVector<sample> wave(int n) {
    QVector<sample> out;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double v = 1486.5 + 2 * std::sin(i / 40.0) + (i % 2 ? 0.4 : -0.4);
        sum += v;
        sample s{33LL * i, december_morning() + 33LL * i, QString::number(v, 'f', 3),
                 QString::number(20 + i * 0.01, 'f', 3), std::nullopt};
        if (i % 5 == 4) {
            s.average = QString::number(sum / 5, 'g', 7);
            sum = 0;
        }
        out << s;
    }
    return out;
}
} // namespace

class test_trend : public QObject {
    Q_OBJECT
private slots:
    void decimal_fields_data();
    void decimal_fields();
    void store_against_scan_data();
    void store_against_scan();
    void line_breaks_data();
    void line_breaks();
    void memory_per_reading();
    void csv_bytes();
    void value_axes_data();
    void value_axes();
    void time_ticks_data();
    void time_ticks();
    void drawn_lines_data();
    void drawn_lines();
    void drawn_frame_by_frame_data();
    void drawn_frame_by_frame();
    void opened_from_the_readouts();
    void export_and_pause();
};

void test_trend::decimal_fields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("kept_as_number");
    QTest::newRow("three decimals") << "1486.512" << true;
    QTest::newRow("trailing zeros") << "1487.000" << true;
    QTest::newRow("negative below one") << "-0.5" << true;
    QTest::newRow("integer") << "1487" << true;
    QTest::newRow("zero") << "0" << true;
    QTest::newRow("seven decimals") << "0.1234567" << true;
    QTest::newRow("largest") << "2147483647" << true;
    QTest::newRow("smallest") << "-214748.3647" << true;
    QTest::newRow("eight decimals") << "0.12345678" << false;
    QTest::newRow("too large") << "2147483648" << false;
    QTest::newRow("negative zero") << "-0.000" << false;
    QTest::newRow("plus sign") << "+25.400" << false;
    QTest::newRow("leading zero") << "01487.0" << false;
    QTest::newRow("bare point") << ".5" << false;
    QTest::newRow("point last") << "5." << false;
    QTest::newRow("exponent") << "1.5e3" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("blank") << " 1.0" << false;
}

void test_trend::decimal_fields() {
    QFETCH(QString, text);
    QFETCH(bool, kept_as_number);
    decimal_field field;
    QCOMPARE(parse_decimal(text, field), kept_as_number);
    if (!kept_as_number)
        return;
    QByteArray back;
    append_decimal(back, field);
    QCOMPARE(QString::fromLatin1(back), text);
    QCOMPARE(decimal_value(field), text.toDouble());
}

void test_trend::store_against_scan_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("average_every");
    QTest::addColumn<double>("temperature_share");
    QTest::addColumn<double>("text_share");
    QTest::addColumn<double>("closed_share");
    QTest::newRow("plain") << 3000 << 2'000'000 << 5 << 1.0 << 0.0 << 0.0;
    QTest::newRow("over the cap") << 20000 << 9000 << 5 << 1.0 << 0.0 << 0.001;
    QTest::newRow("rare average, some temperatures")
        << 6000 << 2'000'000 << 1000 << 0.3 << 0.0 << 0.0;
    QTest::newRow("texts and no numbers") << 5000 << 4500 << 1 << 0.9 << 0.05 << 0.0;
    QTest::newRow("port closed often") << 5000 << 2'000'000 << 7 << 1.0 << 0.01 << 0.02;
    QTest::newRow("one reading") << 1 << 2'000'000 << 1 << 1.0 << 0.0 << 0.0;
}

void test_trend::store_against_scan() {
    QFETCH(int, count);
    QFETCH(int, capacity);
    QFETCH(int, average_every);
    QFETCH(double, temperature_share);
    QFETCH(double, text_share);
    QFETCH(double, closed_share);
    QRandomGenerator random(count + capacity);
    const QStringList odd = {"abc,def", "+1486.5", "1e999", "nan",         "",
                             "1.5e3",   "\"q\"",   "-0.0",  "1486.512\r\n"};
    QVector<sample> samples;
    trend_store store(capacity);
    qint64 t = 0;
    for (int i = 0; i < count; ++i) {
        t += 30 + random.bounded(8) + (random.bounded(500) == 0 ? 2500 : 0);
        const auto field = [&](double value) {
            return random.generateDouble() < text_share ? odd[random.bounded(odd.size())]
                                                        : QString::number(value, 'f', 3);
        };
        sample s{t,
                 t + 1'765'000'000'000LL + random.bounded(3),
                 field(1480 + random.bounded(20.0)),
                 std::nullopt,
                 std::nullopt,
                 random.generateDouble() < closed_share};
        if (random.generateDouble() < temperature_share)
            s.temperature = field(random.bounded(30.0));
        if (i % average_every == average_every - 1)
            s.average = field(1480 + random.bounded(20.0));
        samples << s;
        append(store, s);
    }

    QCOMPARE(store.end_index(), qint64(count));
    QCOMPARE(store.first_index(), qint64(std::max(0, count - capacity)));
    for (qint64 i = store.first_index(); i < store.end_index(); ++i) {
        const sample &s = samples[int(i)];
        const trend_reading r = store.reading(i);
        QCOMPARE(r.received_ms, s.received);
        QCOMPARE(r.wall_ms, s.wall);
        QCOMPARE(r.velocity, without_line_end(s.velocity));
        QCOMPARE(r.temperature.has_value(), s.temperature.has_value());
        QCOMPARE(r.temperature.value_or("-"), without_line_end(s.temperature.value_or("-")));
        QCOMPARE(r.average.value_or("-"), without_line_end(s.average.value_or("-")));
        if (s.port_closed_before && i > 0)
            QVERIFY(store.gap_before(i));
    }

    // Ranges: every one from the first, every one to the end, and random ones.
    QVector<QPair<qint64, qint64>> ranges = {{store.first_index(), store.end_index()}};
    for (int k = 0; k < 300; ++k) {
        const qint64 a = store.first_index() + random.bounded(int(store.size()));
        const qint64 b = a + random.bounded(int(store.end_index() - a) + 1);
        ranges << qMakePair(a, b) << qMakePair(store.first_index(), b)
               << qMakePair(a, store.end_index());
    }
    for (const auto &[from, to] : ranges) {
        const auto got = store.columns(from, to);
        for (const trend_series s : {trend_velocity, trend_average, trend_temperature}) {
            trend_column want;
            double sum = 0, squares = 0;
            qint64 n = 0;
            for (qint64 i = from; i < to; ++i) {
                const auto v = plotted(field_of(samples[int(i)], s));
                if (!v)
                    continue;
                if (want.empty()) {
                    want.first_index = i;
                    want.first = want.min = want.max = *v;
                }
                want.last_index = i;
                want.last = *v;
                want.min = std::min(want.min, *v);
                want.max = std::max(want.max, *v);
                const double exact = without_line_end(*field_of(samples[int(i)], s)).toDouble();
                sum += exact;
                squares += exact * exact;
                ++n;
            }
            const trend_column &c = got[std::size_t(s)];
            const QString where = QString("series %1 over [%2, %3)").arg(s).arg(from).arg(to);
            QVERIFY2(c.first_index == want.first_index && c.last_index == want.last_index,
                     qPrintable(where));
            if (want.empty())
                continue;
            QVERIFY2(c.first == want.first && c.last == want.last && c.min == want.min &&
                         c.max == want.max,
                     qPrintable(where));
            if (s == trend_average)
                continue;
            const trend_stats st = store.stats(s, from, to);
            QCOMPARE(st.count, n);
            QVERIFY2(std::abs(st.mean - sum / n) < 1e-9 * std::abs(sum / n), qPrintable(where));
            if (n > 1) {
                const double sd = std::sqrt(std::max(0.0, (squares - sum * sum / n) / (n - 1)));
                QVERIFY2(std::abs(st.sd - sd) < 1e-6 * (1 + sd), qPrintable(where));
            }
        }
        bool breaks = false;
        for (qint64 i = from + 1; i < to; ++i)
            breaks = breaks || store.gap_before(i);
        QCOMPARE(to - from > 1 && store.breaks_between(from, to - 1), breaks);
    }
}

void test_trend::line_breaks_data() {
    QTest::addColumn<QVector<int>>("intervals"); // ms before each reading after the first
    QTest::addColumn<int>("closed_before");      // the port closed before this reading (or -1)
    QTest::addColumn<QVector<int>>("breaks");    // the readings the line breaks before
    QVector<int> fast(20, 33), second(20, 1000), eighth(20, 125);
    QTest::newRow("1.1 s after 33 ms") << (fast + QVector<int>{1100, 33}) << -1 << QVector<int>{21};
    QTest::newRow("0.9 s after 33 ms") << (fast + QVector<int>{900}) << -1 << QVector<int>{};
    QTest::newRow("1 s after 125 ms") << (eighth + QVector<int>{1000}) << -1 << QVector<int>{21};
    QTest::newRow("2.9 s after 1 s") << (second + QVector<int>{2900}) << -1 << QVector<int>{};
    QTest::newRow("3.1 s after 1 s") << (second + QVector<int>{3100}) << -1 << QVector<int>{21};
    QTest::newRow("slowing down") << (fast + QVector<int>(20, 400) + QVector<int>{1100}) << -1
                                  << QVector<int>{};
    QTest::newRow("second reading") << QVector<int>{5000} << -1 << QVector<int>{};
    QTest::newRow("port closed") << (fast + QVector<int>{33, 33}) << 21 << QVector<int>{21};
}

void test_trend::line_breaks() {
    QFETCH(QVector<int>, intervals);
    QFETCH(int, closed_before);
    QFETCH(QVector<int>, breaks);
    trend_store store;
    qint64 t = 1000;
    for (int i = 0; i <= intervals.size(); ++i) {
        t += i > 0 ? intervals[i - 1] : 0;
        append(store, {t, t, "1486.512", std::nullopt, std::nullopt, i == closed_before});
    }
    QVector<int> got;
    for (qint64 i = 0; i < store.end_index(); ++i)
        if (store.gap_before(i))
            got << int(i);
    QCOMPARE(got, breaks);
}

void test_trend::memory_per_reading() {
    trend_store store(300'000);
    for (int i = 0; i < 400'000; ++i)
        store.append(33LL * i, 1'765'000'000'000LL + 33LL * i,
                     QString::number(1480 + i % 997 * 0.013, 'f', 3), QStringView(u"25.400"),
                     std::nullopt);
    QCOMPARE(store.size(), qint64(300'000));
    QVERIFY2(store.bytes_used() <= 32 * std::size_t(store.size()),
             qPrintable(QString::number(double(store.bytes_used()) / store.size())));
}

void test_trend::csv_bytes() {
    trend_store store;
    const qint64 t0 = december_morning() + 123;
    const QVector<sample> readings = {
        {0, t0, "1486.512", QString("25.400"), std::nullopt},
        {33, t0 + 33, "1487.000\r\n", std::nullopt, QString("1486.756")},
        {1000, t0 + 1001, "abc,def", QString("25.4\"x"), std::nullopt},
        {2000, t0 + 2000, "-0.000", QString("+25.400"), QString("1.234568e+10")},
        {3000, t0 + 86'400'000, "", QString("a\rb"), QString("1486.5\r\n")},
    };
    for (const sample &s : readings)
        append(store, s);
    QByteArray want = "\xEF\xBB\xBF" + QString("时间,声速(m/s),平均声速(m/s),温度(℃)\r\n").toUtf8();
    QCOMPARE(trend_csv_header(), want);
    const QStringList rows = {",1486.512,,25.400", ",1487.000,1486.756,",
                              ",\"abc,def\",,\"25.4\"\"x\"", ",-0.000,1.234568e+10,+25.400",
                              ",,1486.5,\"a\rb\""};
    for (int i = 0; i < readings.size(); ++i)
        want += (local_time(readings[i].wall) + rows[i] + "\r\n").toUtf8();
    QCOMPARE(trend_csv_header() + trend_csv_rows(store, 0, store.end_index()), want);
    QCOMPARE(trend_csv_rows(store, 1, 2), (local_time(t0 + 33) + rows[1] + "\r\n").toUtf8());

#ifndef Q_OS_WIN
    // Local time across the spring change in Berlin (TZ is set in main), one minute cached.
    trend_store spring;
    const qint64 change = QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    append(spring, {0, change - 1, "1", std::nullopt, std::nullopt});
    append(spring, {1, change, "2", std::nullopt, std::nullopt});
    QCOMPARE(trend_csv_rows(spring, 0, 2), QByteArray("2026-03-29 01:59:59.999,1,,\r\n"
                                                      "2026-03-29 03:00:00.000,2,,\r\n"));
#endif
}

void test_trend::value_axes_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    QTest::newRow("velocity, a few m/s") << 1484.2 << 1488.9 << 1.0 << 0;
    QTest::newRow("velocity, settled") << 1506.449 << 1507.296 << 0.2 << 1;
    QTest::newRow("temperature") << 14.874 << 15.138 << 0.1 << 1;
    QTest::newRow("constant velocity") << 1486.512 << 1486.512 << 0.01 << 2;
    QTest::newRow("constant zero") << 0.0 << 0.0 << 0.002 << 3;
    QTest::newRow("below zero") << -2.5 << -1.5 << 0.2 << 1;
}

void test_trend::value_axes() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(int, decimals);
    const value_axis axis = fit_value_axis(min, max, 6);
    QVERIFY(axis.low < min && axis.high > max);
    QCOMPARE(axis.step, step);
    QCOMPARE(axis.decimals, decimals);
    // Room for two ticks at least, within the margin either side.
    QVERIFY((axis.high - axis.low) / axis.step >= 2);
    if (max > min)
        QVERIFY(min - axis.low <= (axis.high - axis.low) * 0.1);
}

void test_trend::time_ticks_data() {
    QTest::addColumn<qint64>("span");
    QTest::addColumn<qint64>("step");
    QTest::newRow("1 分钟") << qint64(60'000) << qint64(10'000);
    QTest::newRow("10 分钟") << qint64(600'000) << qint64(120'000);
    QTest::newRow("1 小时") << qint64(3'600'000) << qint64(600'000);
    QTest::newRow("18 hours") << qint64(18 * 3'600'000) << qint64(3 * 3'600'000);
    QTest::newRow("3 days") << qint64(3 * 86'400'000) << qint64(43'200'000);
    QTest::newRow("a second") << qint64(1'000) << qint64(1'000);
}

void test_trend::time_ticks() {
    QFETCH(qint64, span);
    QFETCH(qint64, step);
    QCOMPARE(time_tick_step(span, 7), step);
}

void test_trend::drawn_lines_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("150 %") << 1.5;
}

void test_trend::drawn_lines() {
    QFETCH(qreal, ratio);
    trend_store store;
    QVector<sample> readings = wave(1800);
    readings[900].port_closed_before = true;
    for (const sample &s : readings)
        append(store, s);
    trend_plot plot(store);
    plot.resize(700, 420);
    plot.show_span(1800 * 33);
    const QImage image = plot.picture(ratio);
    QCOMPARE(image.size(), QSize(700, 420) * ratio);

    const QRectF areas[2] = {plot.velocity_area(), plot.temperature_area()};
    const struct {
        QColor colour;
        int area;
    } lines[] = {{trend_plot::velocity_colour, 0},
                 {trend_plot::average_colour, 0},
                 {trend_plot::temperature_colour, 1}};
    const int legend_row = int(std::ceil((plot.fontMetrics().height() + 8) * ratio));
    for (const auto &line : lines) {
        const QRect inside(
            QPoint(qRound(areas[line.area].left() * ratio), qRound(areas[line.area].top() * ratio)),
            QPoint(qRound(areas[line.area].right() * ratio) - 1,
                   qRound(areas[line.area].bottom() * ratio) - 1));
        int count = 0, left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != line.colour)
                    continue;
                // The legend's sample of the line lies in the row above the plot.
                if (y < inside.top() && y >= inside.top() - legend_row)
                    continue;
                QVERIFY2(inside.contains(x, y),
                         qPrintable(QString("%1 at %2,%3 outside %4,%5 %6x%7")
                                        .arg(line.colour.name())
                                        .arg(x)
                                        .arg(y)
                                        .arg(inside.x())
                                        .arg(inside.y())
                                        .arg(inside.width())
                                        .arg(inside.height())));
                ++count;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        // From one end of the span to the other.
        QVERIFY2(count >= inside.width() / 2, qPrintable(line.colour.name()));
        QVERIFY(left <= inside.left() + 4 * ratio);
        QVERIFY(right >= inside.right() - 4 * ratio);
    }
}

void test_trend::drawn_frame_by_frame_data() {
    QTest::addColumn<qint64>("span");
    QTest::newRow("1 分钟") << qint64(60'000);
    QTest::newRow("全部") << qint64(0);
}

// Frame by frame only the columns that change are drawn again: the screen must still show what
// a whole drawing shows.
void test_trend::drawn_frame_by_frame() {
    QFETCH(qint64, span);
    trend_store store;
    const QVector<sample> readings = wave(3000);
    trend_plot plot(store);
    plot.resize(640, 400);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    for (int i = 0; i < readings.size(); ++i) {
        append(store, readings[i]);
        if (i % 97 == 0 || i + 1 == readings.size()) {
            plot.show_span(span);
            QApplication::processEvents();
        }
        if (i == 1500)
            store.mark_gap();
    }
    QCOMPARE(plot.grab().toImage().convertToFormat(QImage::Format_RGB32),
             plot.picture(plot.devicePixelRatioF()));
}

void test_trend::opened_from_the_readouts() {
    QWidget group;
    auto *readout = new QLineEdit("1486.512", &group);
    readout->setEnabled(false);
    readout->setStyleSheet("color: red; background-color: black;");
    int opened = 0;
    install_trend_opener({readout}, &group, [&opened] { ++opened; });
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));

    const QPoint at = readout->rect().center();
    QMouseEvent double_click(QEvent::MouseButtonDblClick, at, readout->mapToGlobal(at),
                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(readout, &double_click);
    QCOMPARE(opened, 1);

    QHelpEvent hover(QEvent::ToolTip, at, readout->mapToGlobal(at));
    QApplication::sendEvent(readout, &hover);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("双击查看趋势图"));
    QToolTip::hideText();

    for (QWidget *target : {static_cast<QWidget *>(readout), &group}) {
        QContextMenuEvent menu_event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &menu_event);
        QMenu *menu = group.findChild<QMenu *>();
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QString("趋势图…"));
        menu->actions().first()->trigger();
        menu->hide();
    }
    QCOMPARE(opened, 3);
}

void test_trend::export_and_pause() {
    dialog_answerer answerer;
    trend_store store;
    QVector<sample> readings = wave(600);
    readings[3].velocity = "1486,5";
    for (const sample &s : readings)
        append(store, s);
    QWidget owner;
    trend_window window(store, &owner);
    window.present();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), QString("声速与温度趋势"));
    QVERIFY(window.isWindow());
    window.set_span(3);
    QCOMPARE(window.plot()->end_shown() - window.plot()->first_shown(), store.size());

    QTemporaryDir dir;
    const QString path = dir.filePath("trend.csv");
    answerer.answer_save_dialog(path);
    press(window, Qt::Key_E, Qt::ControlModifier);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray csv = file.readAll();
    QCOMPARE(csv.count("\r\n"), 601);
    QVERIFY(csv.contains("\"1486,5\""));
    QVERIFY(answerer.save_dialogs.last().had_parent);

    // A folder that does not exist: a box, and no file.
    const QString nowhere = dir.filePath("missing/trend.csv");
    answerer.answer_save_dialog(nowhere);
    press(window, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(answerer.wait_for_messages(1));
    QCOMPARE(answerer.messages.first(), QString("\n导出失败\n请检查文件路径和权限！\n"));
    QVERIFY(!QFile::exists(nowhere));

    // The picture, at the screen's ratio.
    const QString picture = dir.filePath("trend.png");
    answerer.answer_save_dialog(picture);
    press(window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(QImage(picture).size(), window.plot()->size() * window.devicePixelRatioF());

    // While a sequence runs neither key nor button opens a dialog.
    const int dialogs = answerer.save_dialogs.size();
    window.set_dialogs_allowed(false);
    press(window, Qt::Key_E, Qt::ControlModifier);
    press(window, Qt::Key_S, Qt::ControlModifier);
    for (QPushButton *button : window.findChildren<QPushButton *>())
        if (button->text().endsWith("…"))
            QVERIFY(!button->isEnabled());
    QTest::qWait(50);
    QCOMPARE(answerer.save_dialogs.size(), dialogs);
    window.set_dialogs_allowed(true);

    // Paused, the span stays while readings come; the space bar pauses and goes on.
    press(window, Qt::Key_Space);
    QVERIFY(window.paused());
    const qint64 shown_end = window.plot()->end_shown();
    for (const sample &s : wave(30))
        append(store, {s.received + 19'800, s.wall + 19'800, s.velocity, s.temperature, s.average});
    window.refresh();
    QCOMPARE(window.plot()->end_shown(), shown_end);
    window.set_span(0);
    QCOMPARE(window.plot()->end_shown(), shown_end);
    window.set_span(3);
    press(window, Qt::Key_Space);
    QVERIFY(!window.paused());
    window.refresh();
    QCOMPARE(window.plot()->end_shown(), store.end_index());
}

int main(int argc, char **argv) {
#ifndef Q_OS_WIN
    qputenv("TZ", "Europe/Berlin");
#endif
    // Qt's own save dialog, which the test answers, rather than Windows' native one.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    test_trend trend;
    return QTest::qExec(&trend, argc, argv);
}
#include "test_trend.moc"
