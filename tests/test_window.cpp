// What the operator sees right after start: texts, selections, fonts, grids and the window size.
#include "app/startup.h"
#include "support/app_window.h"
#include "support/drawn_text.h"
#include "support/observe.h"
#include "support/style_noise.h"
#include "ui/fonts.h"
#include "ui/frmain.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace {
QStringList items_of(QComboBox *combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Whether an image holds text's ink: pixels near black, of which a blank caption has none.
bool holds_ink(const QImage &image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 64)
                return true;
    return false;
}

// Debug messages as the program lets them through; the rest goes on to the test log.
QStringList debug_messages;
QtMessageHandler test_log = nullptr;
void capture_debug(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type == QtDebugMsg)
        debug_messages << text;
    else
        test_log(type, context, text);
}
} // namespace

class test_window : public QObject {
    Q_OBJECT
public:
    // Before the application object is made: the window scales as start-up scales it.
    static void initMain() { enable_display_scaling(); }

private slots:
    void initTestCase() {
        test_log = qInstallMessageHandler(capture_debug);
        drop_known_style_noise();
    }
    void title_and_fixed_size();
    void captions_data();
    void captions();
    void combo_items_data();
    void combo_items();
    void readouts();
    void readout_pixels_data();
    void readout_pixels();
    void status_area_pixels();
    void texts_whole_data();
    void texts_whole();
    void window_on_screen();
    void display_scales_data();
    void display_scales();
    void fitted_scales_data();
    void fitted_scales();
    void enabled_states();
    void fonts_data();
    void fonts();
    void window_fonts_data();
    void window_fonts();
    void grid_positions_data();
    void grid_positions();
    void layout_fits();
    void object_names();
    void key_press_debug_data();
    void key_press_debug();
    void close_without_recording();
};

void test_window::title_and_fixed_size() {
    app_window w;
    QCOMPARE(w->windowTitle(), QString("声速仪显示配置终端V1.1"));
    QCOMPARE(w->minimumSize(), QSize(800, 650));
    QCOMPARE(w->maximumSize(), QSize(800, 650));
    QCOMPARE(w->metaObject()->className(), "frmain");
}

void test_window::captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, const char *>> rows = {
        {"port_label", "串口号："},
        {"baud_label", "波特率："},
        {"data_bits_label", "数据位："},
        {"parity_label", "校验位："},
        {"stop_bits_label", "停止位："},
        {"open_button", "打开串口"},
        {"serial_group", "串口参数设置"},
        {"display_group", "数据显示"},
        {"serial_box", ""},
        {"velocity_label", "实时声速:"},
        {"avg_velocity_label", "平均声速:"},
        {"temperature_label", "实时温度:"},
        {"velocity_unit_label", "m/s"},
        {"avg_velocity_unit_label", "m/s"},
        {"temperature_unit_label", "℃"},
        {"machine_box", ""},
        {"machine_group", "声速仪配置区"},
        {"machine_baud_label", "声速仪波特率： "},
        {"outrate_label", "声速仪输出速率："},
        {"outrate_range_label", "范围: (1-30)"},
        {"output_label", "声速仪输出格式： "},
        {"temp_label", "温 度 输 出 ： "},
        {"avg_label", "平均声速点数："},
        {"send_config_button", "发送配置"},
        {"save_config_button", "保存配置"},
        {"save_data_button", "保存数据"},
        {"avg_button", "设置点数"},
        {"outrate_lineedit", "8"},
        {"avg_lineedit", "5"},
        {"output_lineedit", ""},
        {"status_group", "状态显示区"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString(row.first) << QString(row.second);
}

void test_window::captions() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    app_window w;
    QObject *o = w.member(name);
    QVERIFY2(o, qPrintable(name));
    QString shown;
    if (auto *l = qobject_cast<QLabel *>(o))
        shown = l->text();
    else if (auto *b = qobject_cast<QPushButton *>(o))
        shown = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(o))
        shown = g->title();
    else if (auto *e = qobject_cast<QLineEdit *>(o))
        shown = e->text();
    QCOMPARE(shown, text);
    // Drawn, in a font that has its characters: a caption or button is never blank. (A button's
    // own border is grey; its text is inside it.)
    if ((qobject_cast<QLabel *>(o) || qobject_cast<QPushButton *>(o)) && !text.isEmpty()) {
        auto *widget = static_cast<QWidget *>(o);
        const int inset = qobject_cast<QPushButton *>(o) ? 6 : 0;
        const QImage image = on_screen(widget);
        const qreal ratio = image.devicePixelRatio();
        QVERIFY2(holds_ink(image.copy(QRectF(inset * ratio, inset * ratio,
                                             image.width() - 2 * inset * ratio,
                                             image.height() - 2 * inset * ratio)
                                          .toRect())),
                 qPrintable(name + " shows no text"));
    }
}

void test_window::combo_items_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    const QStringList bauds = {"2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    QTest::newRow("port") << "port_combo"
                          << QStringList{"COM1", "COM2", "COM3", "COM4",  "COM5", "COM6",
                                         "COM7", "COM8", "COM9", "COM10", "COM11"}
                          << 0;
    QTest::newRow("baud") << "baud_combo" << bauds << 2;
    QTest::newRow("data bits") << "data_bits_combo" << QStringList{"5", "6", "7", "8"} << 3;
    QTest::newRow("parity") << "parity_combo"
                            << QStringList{"NONE ", "ODD ", "EVEN ", "MARK ", "SPACE "} << 0;
    QTest::newRow("stop bits") << "stop_bits_combo" << QStringList{"1  bit", "1.5bit", "2  bit"}
                               << 0;
    QTest::newRow("instrument baud") << "machine_baud_combo" << bauds << 2;
    QTest::newRow("output format")
        << "output_combo" << QStringList{"默认格式", "格式一", "格式二"} << 0;
    QTest::newRow("temperature") << "temp_combo" << QStringList{"允 许  ", "禁 止  "} << 0;
}

void test_window::combo_items() {
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, current);
    app_window w;
    auto *combo = qobject_cast<QComboBox *>(w.member(name));
    QVERIFY(combo);
    // The port list may go on with other ports the computer has.
    QCOMPARE(name == "port_combo" ? items_of(combo).mid(0, items.size()) : items_of(combo), items);
    QCOMPARE(combo->currentIndex(), current);
    QVERIFY(!combo->isEditable());
}

void test_window::readouts() {
    app_window w;
    const QString style =
        "border: 2px solid gray;border-radius: 5px;padding: 0 8px;background: black;"
        "selection-background-color: black;color: red;cursorVisible : true";
    for (QLineEdit *e : {w->velocity_edit, w->avg_velocity_edit, w->temperature_edit}) {
        QCOMPARE(e->text(), QString("0000.000"));
        QVERIFY(!e->isEnabled());
        QCOMPARE(e->alignment(), Qt::AlignCenter);
        QVERIFY(e->height() >= 50);
        QCOMPARE(e->minimumHeight(), 50);
        QCOMPARE(e->styleSheet(), style);
        QCOMPARE(e->focusPolicy() == Qt::NoFocus || !e->isEnabled(), true);
    }
    QCOMPARE(w->outrate_lineedit->alignment(), Qt::AlignCenter);
    QCOMPARE(w->avg_lineedit->alignment(), Qt::AlignCenter);
    QCOMPARE(w->output_lineedit->styleSheet(), QString("height:20px"));
    QVERIFY(w->staus_show->isReadOnly());
    QVERIFY(w->staus_show->toPlainText().isEmpty());
    QCOMPARE(w->velocity_count, 0u);
    QCOMPARE(w->avg_point_count, 5u);
    QCOMPARE(w->velocity_sum, 0.0);
    QVERIFY(!w->config_busy);
    QVERIFY(!w->save_busy);
    QVERIFY(!w->serial_port->isOpen());
    QCOMPARE(w->serial_port->parent(), static_cast<QObject *>(w.get()));
}

void test_window::readout_pixels_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::newRow("reading") << ""
                             << "1486.512";
    QTest::newRow("temperature with its line end") << ""
                                                   << "25.400\r\n";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("too long to fit") << "" << QString(60, '9');
    // Marks whose ink reaches past their text's advance, before it or after it.
    QTest::newRow("combining marks") << "" << QString::fromUtf8("f\u0338j");
    QTest::newRow("after combining marks") << QString::fromUtf8("\u0338\u0338\u03381") << "1";
}

// A read-out repainted from its kept pictures, many times over, shows what it shows when painted
// afresh without them.
void test_window::readout_pixels() {
    QFETCH(QString, before);
    QFETCH(QString, text);
    app_window w;
    readout *r = w->velocity_edit;
    r->keep_background();
    QVERIFY(r->keeps_background());
    // Texts of changing widths, each repainted where it changed only, as frames show them.
    for (int i = 0; i < 20; ++i) {
        r->show_text(QString::number(1400 + i).repeated(1 + i % 3));
        QCoreApplication::sendPostedEvents(r->window(), QEvent::UpdateRequest);
    }
    for (const QString &shown : {before, text}) {
        r->show_text(shown);
        QCoreApplication::sendPostedEvents(r->window(), QEvent::UpdateRequest);
    }
    r->forget_background();
    QVERIFY(drawn_afresh(r));
    // In a new font the same text is laid out again.
    QFont smaller = r->font();
    smaller.setPointSize(smaller.pointSize() - 6);
    r->setFont(smaller);
    r->keep_background();
    r->repaint();
    r->forget_background();
    QVERIFY(drawn_afresh(r));
}

// The status area draws the lines in view itself, found from the end; they come out as Qt draws
// them, at the end, part way up and far up, whole or in the strip a new line repaints.
void test_window::status_area_pixels() {
    app_window w;
    QTextEdit *area = w->staus_show;
    for (int i = 0; i < 300; ++i)
        area->insertPlainText(QString("$ %1.512 25.400\n").arg(1400 + i));
    area->insertPlainText(QString::fromUtf8("\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7 1\n"));
    QScrollBar *bar = area->verticalScrollBar();
    QWidget *view = area->viewport();
    const auto drawn = [view] {
        QImage whole(view->size() * view->devicePixelRatioF(), QImage::Format_ARGB32);
        whole.setDevicePixelRatio(view->devicePixelRatioF());
        whole.fill(Qt::transparent);
        QPainter painter(&whole);
        view->render(&painter);
        QImage strip = whole;
        strip.fill(Qt::transparent);
        QPainter strip_painter(&strip);
        view->render(&strip_painter, QPoint(), QRegion(0, view->height() - 30, view->width(), 30));
        return QList<QImage>{whole, strip};
    };
    for (int from_end : {0, 7, 1000, bar->maximum()}) {
        bar->setValue(bar->maximum() - from_end);
        const QList<QImage> own = drawn();
        // An extra selection that selects nothing changes no pixel, and leaves the drawing to Qt.
        QTextEdit::ExtraSelection nothing;
        nothing.cursor = QTextCursor(area->document());
        area->setExtraSelections({nothing});
        const QList<QImage> by_qt = drawn();
        area->setExtraSelections({});
        QVERIFY(own == by_qt);
    }
}

void test_window::texts_whole_data() {
    QTest::addColumn<QString>("reading");
    QTest::newRow("velocity") << "1486.512";
    QTest::newRow("negative temperature") << "-2.345";
    QTest::newRow("start text") << "0000.000";
}

// Every read-out, unit and caption shows its text whole, whatever the display scale and font DPI
// (see display_scales): never the end of a number, never the start of a caption.
void test_window::texts_whole() {
    QFETCH(QString, reading);
    app_window w;
    QString why;
    QVector<QSizeF> drawn;
    bool one_fits = false;
    for (readout *r : {w->velocity_edit, w->avg_velocity_edit, w->temperature_edit}) {
        r->show_text(reading);
        QVERIFY2(draws_whole(r, reading, &why), qPrintable(why));
        // The three rows alike: as tall as each other (but for an odd pixel the layout shares
        // out), and the reading drawn in the same size where one fits in its own font.
        QVERIFY2(qAbs(r->height() - w->velocity_edit->height()) <= 1,
                 qPrintable(QString("rows %1 and %2 pixels high")
                                .arg(w->velocity_edit->height())
                                .arg(r->height())));
        const QList<drawn_text> texts = texts_drawn(r);
        QCOMPARE(texts.size(), 1);
        drawn << texts[0].rect.size();
        const QFontMetricsF own(r->font());
        one_fits = one_fits || qFuzzyCompare(drawn.last().height(), own.ascent() + own.descent());
    }
    if (one_fits)
        QCOMPARE(drawn, QVector<QSizeF>(3, drawn.first()));
    for (readout *r : {w->velocity_edit, w->avg_velocity_edit, w->temperature_edit}) {
        // A reading far too long for any read-out is shown whole as well.
        r->show_text(reading.repeated(4));
        QVERIFY2(draws_whole(r, reading.repeated(4), &why), qPrintable(why));
    }
    for (QLabel *label : w->findChildren<QLabel *>())
        QVERIFY2(draws_whole(label, label->text(), &why), qPrintable(why));
}

// The window keeps its 800 x 650 layout at every scale: on screen it is that many pixels times
// the scale, which follows the font DPI as it is (125 % stays 1.25, not 1 or 2).
void test_window::window_on_screen() {
    app_window w;
    const qreal scale = w->devicePixelRatioF();
    const QImage shown = on_screen(w.get());
    QCOMPARE(shown.size(), QSize(qRound(800 * scale), qRound(650 * scale)));
    bool scaled = true;
    const int dpi = qEnvironmentVariableIntValue("QT_FONT_DPI", &scaled);
    if (scaled && qEnvironmentVariable("QT_ENABLE_HIGHDPI_SCALING") != "0" &&
        !qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(scale, dpi / 96.0);
}

void test_window::display_scales_data() {
    QTest::addColumn<QStringList>("settings");
    for (int dpi : {96, 120, 144, 192})
        QTest::newRow(qPrintable(QString("%1 dpi").arg(dpi)))
            << QStringList{QString("QT_FONT_DPI=%1").arg(dpi)};
    // Fonts at a DPI the scaling does not cover, as with Xft.dpi on Linux or with scaling off.
    for (int dpi : {144, 192})
        QTest::newRow(qPrintable(QString("%1 dpi fonts, not scaled").arg(dpi)))
            << QStringList{QString("QT_FONT_DPI=%1").arg(dpi), "QT_ENABLE_HIGHDPI_SCALING=0"};
    QTest::newRow("scale 1.75") << QStringList{"QT_SCALE_FACTOR=1.75"};
}

// Qt takes the scale and the font DPI when it starts, so each row runs this test again in a
// process of its own, checking what the window draws there.
void test_window::display_scales() {
    QFETCH(QStringList, settings);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : settings)
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    child.setProcessEnvironment(environment);
    // Its log in a file: under Wine a child's console output does not reach the pipe.
    QTemporaryDir dir;
    const QString log = dir.filePath("log.txt");
    child.start(QCoreApplication::applicationFilePath(),
                {"texts_whole", "readout_pixels", "window_on_screen", "-o", log + ",txt"});
    QVERIFY(child.waitForFinished(300000));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             read_file(log).constData());
}

void test_window::fitted_scales_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<qreal>("shown_at");
    QTest::newRow("1366 x 768 at 100 %") << QSize(1366, 768) << 1.0 << 1.0;
    QTest::newRow("1366 x 768 at 125 %") << QSize(1366, 768) << 1.25 << 1.029;
    QTest::newRow("1920 x 1080 at 125 %") << QSize(1920, 1080) << 1.25 << 1.25;
    QTest::newRow("1920 x 1080 at 150 %") << QSize(1920, 1080) << 1.5 << 1.478;
    QTest::newRow("1920 x 1080 at 175 %") << QSize(1920, 1080) << 1.75 << 1.449;
    QTest::newRow("2560 x 1600 at 200 %") << QSize(2560, 1600) << 2.0 << 2.0;
    QTest::newRow("1024 x 768 at 100 %") << QSize(1024, 768) << 1.0 << 1.0;
    QTest::newRow("800 x 600, too small at 100 %") << QSize(800, 600) << 1.0 << 1.0;
}

// The scale the window starts at on a screen with Windows 10's 40-pixel taskbar and frame (8
// pixels, the title bar 31 with its border), all scaled with the display: the display's own where
// the window fits, otherwise the largest at which it does, never below 100 %.
void test_window::fitted_scales() {
    QFETCH(QSize, screen);
    QFETCH(qreal, scale);
    QFETCH(qreal, shown_at);
    const QSize work_area(screen.width(), screen.height() - qRound(40 * scale));
    const QMargins frame = QMargins(8, 31, 8, 8) * scale;
    const qreal chosen = fitting_scale(work_area, scale, frame);
    QCOMPARE(chosen, shown_at);
    if (chosen > 1) {
        const QSize outer = QSize(qRound(800 * chosen), qRound(650 * chosen)).grownBy(frame);
        QVERIFY(work_area.width() >= outer.width() && work_area.height() >= outer.height());
    }
}

void test_window::enabled_states() {
    app_window w;
    QVERIFY(!w->output_combo->isEnabled());
    QVERIFY(!w->output_lineedit->isEnabled());
    for (QPushButton *b : {w->avg_button, w->send_config_button, w->save_config_button,
                           w->save_data_button, w->open_button})
        QVERIFY(b->isEnabled());
    for (QComboBox *c : {w->port_combo, w->baud_combo, w->data_bits_combo, w->parity_combo,
                         w->stop_bits_combo, w->machine_baud_combo, w->temp_combo})
        QVERIFY(c->isEnabled());
}

void test_window::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    for (const char *n : {"velocity_label", "avg_velocity_label", "temperature_label"})
        QTest::newRow(n) << n << "Helvetica" << 25;
    for (const char *n : {"velocity_edit", "avg_velocity_edit", "temperature_edit"})
        QTest::newRow(n) << n << "Times" << 30;
    for (const char *n :
         {"velocity_unit_label", "avg_velocity_unit_label", "temperature_unit_label"})
        QTest::newRow(n) << n << "Times" << 17;
    for (const char *n : {"outrate_lineedit", "avg_lineedit"})
        QTest::newRow(n) << n << "SansSerif" << 8;
    QTest::newRow("staus_show") << "staus_show"
                                << "Times" << 10;
}

void test_window::fonts() {
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, points);
    app_window w;
    auto *widget = qobject_cast<QWidget *>(w.member(name));
    QVERIFY(widget);
    const QFont f = widget->font();
    QCOMPARE(f.family(), family);
    QCOMPARE(f.pointSize(), points);
    QCOMPARE(f.weight(), 75);
    QVERIFY(!f.italic());
}

void test_window::window_fonts_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<int>("hint");
    const QStringList chinese = {"Microsoft YaHei", "SimSun"};
    QTest::newRow("Times on Windows")
        << "Times" << true << QStringList{"Times", "Times New Roman", "DejaVu Serif"} + chinese
        << int(QFont::Serif);
    QTest::newRow("Helvetica on Windows")
        << "Helvetica" << true << QStringList{"Helvetica", "Arial", "DejaVu Sans"} + chinese
        << int(QFont::SansSerif);
    QTest::newRow("SansSerif on Windows")
        << "SansSerif" << true << QStringList{"SansSerif", "Arial", "DejaVu Sans"} + chinese
        << int(QFont::SansSerif);
    QTest::newRow("Times elsewhere") << "Times" << false << QStringList() << int(QFont::AnyStyle);
}

// On Windows the names the window uses lead to Windows' own families; elsewhere fontconfig's.
void test_window::window_fonts() {
    QFETCH(QString, family);
    QFETCH(bool, windows);
    QFETCH(QStringList, families);
    QFETCH(int, hint);
    const QFont font = window_font(family, 17, windows);
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSize(), 17);
    QCOMPARE(font.weight(), 75);
    QCOMPARE(font.families(), families);
    QCOMPARE(int(font.styleHint()), hint);
    const QFont plain("SansSerif", 9);
    QCOMPARE(with_chinese_fallbacks(plain, windows).families(),
             windows ? QStringList{"SansSerif"} + families.mid(3) : QStringList());
}

void test_window::grid_positions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QVector<int>>("cell");
    struct row {
        const char *name, *container;
        int r, c, rs, cs;
    };
    const row rows[] = {
        {"serial_box", "window", 1, 1, 5, 4},
        {"machine_box", "window", 6, 1, 4, 4},
        {"status_group", "window", 10, 1, 1, 4},
        {"serial_group", "serial_box", 1, 1, 6, 1},
        {"display_group", "serial_box", 1, 2, 6, 3},
        {"port_label", "serial_group", 1, 1, 1, 2},
        {"baud_label", "serial_group", 2, 1, 1, 2},
        {"data_bits_label", "serial_group", 3, 1, 1, 2},
        {"parity_label", "serial_group", 4, 1, 1, 2},
        {"stop_bits_label", "serial_group", 5, 1, 1, 2},
        {"port_combo", "serial_group", 1, 3, 1, 2},
        {"baud_combo", "serial_group", 2, 3, 1, 2},
        {"data_bits_combo", "serial_group", 3, 3, 1, 2},
        {"parity_combo", "serial_group", 4, 3, 1, 2},
        {"stop_bits_combo", "serial_group", 5, 3, 1, 2},
        {"open_button", "serial_group", 6, 1, 1, 4},
        {"velocity_label", "display_group", 1, 1, 1, 1},
        {"avg_velocity_label", "display_group", 2, 1, 1, 1},
        {"temperature_label", "display_group", 3, 1, 1, 1},
        {"velocity_edit", "display_group", 1, 2, 1, 3},
        {"avg_velocity_edit", "display_group", 2, 2, 1, 3},
        {"temperature_edit", "display_group", 3, 2, 1, 3},
        {"velocity_unit_label", "display_group", 1, 5, 1, 1},
        {"avg_velocity_unit_label", "display_group", 2, 5, 1, 1},
        {"temperature_unit_label", "display_group", 3, 5, 1, 1},
        {"machine_group", "machine_box", 0, 0, 1, 1},
        {"machine_baud_label", "machine_group", 1, 1, 1, 1},
        {"machine_baud_combo", "machine_group", 1, 2, 1, 1},
        {"outrate_label", "machine_group", 1, 3, 1, 1},
        {"outrate_lineedit", "machine_group", 1, 4, 1, 5},
        {"outrate_range_label", "machine_group", 1, 9, 1, 1},
        {"temp_label", "machine_group", 2, 1, 1, 1},
        {"temp_combo", "machine_group", 2, 2, 1, 1},
        {"output_label", "machine_group", 2, 3, 1, 1},
        {"output_lineedit", "machine_group", 2, 4, 1, 5},
        {"output_combo", "machine_group", 2, 9, 1, 1},
        {"avg_label", "machine_group", 3, 1, 1, 1},
        {"avg_lineedit", "machine_group", 3, 2, 1, 1},
        {"avg_button", "machine_group", 3, 3, 1, 1},
        {"send_config_button", "machine_group", 3, 5, 1, 1},
        {"save_config_button", "machine_group", 3, 7, 1, 1},
        {"save_data_button", "machine_group", 3, 9, 1, 1},
    };
    for (const row &r : rows)
        QTest::newRow(r.name) << r.name << r.container << QVector<int>{r.r, r.c, r.rs, r.cs};
}

void test_window::grid_positions() {
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QVector<int>, cell);
    app_window w;
    auto *widget = qobject_cast<QWidget *>(w.member(name));
    QWidget *holder =
        container == "window" ? w.get() : qobject_cast<QWidget *>(w.member(container));
    QVERIFY(widget && holder);
    QCOMPARE(widget->parentWidget(), holder);
    auto *grid = qobject_cast<QGridLayout *>(holder->layout());
    QVERIFY(grid);
    const int index = grid->indexOf(widget);
    QVERIFY(index >= 0);
    int r, c, rs, cs;
    grid->getItemPosition(index, &r, &c, &rs, &cs);
    QCOMPARE((QVector<int>{r, c, rs, cs}), cell);
}

void test_window::layout_fits() {
    app_window w;
    const QSize needed = w->layout()->minimumSize();
    QVERIFY2(needed.width() <= 800 && needed.height() <= 650,
             qPrintable(QString("layout needs %1 x %2").arg(needed.width()).arg(needed.height())));
}

void test_window::object_names() {
    app_window w;
    QCOMPARE(w->objectName(), QString("mainwindow"));
    QCOMPARE(w->staus_show->objectName(), QString("staus_show"));
    QCOMPARE(w->output_lineedit->objectName(), QString("output_lineedit"));
    QCOMPARE(w->outrate_lineedit->objectName(), QString("outrate_lineedit"));
    QCOMPARE(w->avg_lineedit->objectName(), QString("avg_lineedit"));
}

void test_window::key_press_debug_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digit") << int(Qt::Key_7) << "7"
                           << "7";
    QTest::newRow("letter") << int(Qt::Key_A) << "a"
                            << "0";
    QTest::newRow("no text") << int(Qt::Key_F1) << ""
                             << "0";
}

void test_window::key_press_debug() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    // Showing the window polishes the read-outs, whose style sheet Qt complains about: only the
    // key press's own message may come out.
    debug_messages.clear();
    app_window w;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w.get(), &press);
    QCOMPARE(debug_messages, QStringList{expected});
}

void test_window::close_without_recording() {
    app_window w;
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());
    QVERIFY(w.answerer.messages.isEmpty());
}

QTEST_MAIN(test_window)
#include "test_window.moc"
