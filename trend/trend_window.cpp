#include "trend/trend_window.h"

#include "trend/trend_csv.h"
#include "trend/trend_plot.h"
#include "trend/trend_store.h"
#include "ui/fonts.h"
#include "ui/message.h"

#include <QAction>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString pause_caption = QStringLiteral("暂停");
const QString resume_caption = QStringLiteral("继续");

// Rows in a piece of the export: a piece is a few megabytes.
constexpr qint64 rows_a_piece = 65536;

QString number_or_dash(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("-");
}

QString statistics_line(const QString &title, const trend_stats &s) {
    if (s.count == 0)
        return title + QStringLiteral("：无读数");
    return QStringLiteral("%1：最小 %2  最大 %3  平均 %4  标准差 %5")
        .arg(title, number_or_dash(s.min, 3), number_or_dash(s.max, 3), number_or_dash(s.mean, 3),
             number_or_dash(s.sd, 4));
}

// The statistics, two lines whose text changes with every reading: its size comes from the font
// alone, so that a new text does not measure and lay out the window again each frame (which cost
// more than drawing the plots).
class statistics_label : public QLabel {
public:
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        const QMargins m = contentsMargins();
        return QSize(metrics.averageCharWidth() * 72 + m.left() + m.right(),
                     2 * metrics.lineSpacing() + m.top() + m.bottom());
    }
    QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }
};
} // namespace

trend_window::trend_window(const trend_store &store, QWidget *parent)
    : QWidget(parent, Qt::Window), store(store) {
    setObjectName(QStringLiteral("trend_window"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("声速与温度趋势"));
    setFont(with_chinese_fallbacks(font()));
    setMinimumSize(640, 400);
    resize(900, 560);

    auto *bar = new QHBoxLayout;
    span_buttons = new QButtonGroup(this);
    const QString span_names[] = {QStringLiteral("1 分钟"), QStringLiteral("10 分钟"),
                                  QStringLiteral("1 小时"), QStringLiteral("全部")};
    for (int i = 0; i < 4; ++i) {
        auto *button = new QPushButton(span_names[i]);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        span_buttons->addButton(button, i);
        connect(button, &QPushButton::clicked, this, [this, i] { set_span(i); });
        bar->addWidget(button);
    }
    span_buttons->button(0)->setChecked(true);
    bar->addSpacing(12);
    pause_button = new QPushButton(pause_caption);
    pause_button->setFocusPolicy(Qt::NoFocus);
    connect(pause_button, &QPushButton::clicked, this, [this] { set_paused(!is_paused); });
    bar->addWidget(pause_button);
    bar->addStretch(1);
    export_button = new QPushButton(QStringLiteral("导出CSV…"));
    picture_button = new QPushButton(QStringLiteral("保存图片…"));
    for (QPushButton *button : {export_button, picture_button}) {
        button->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(button);
    }

    export_action = new QAction(this);
    export_action->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_E));
    picture_action = new QAction(this);
    picture_action->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_S));
    for (QAction *action : {export_action, picture_action}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(export_action, &QAction::triggered, this, &trend_window::export_csv);
    connect(picture_action, &QAction::triggered, this, &trend_window::save_picture);
    connect(export_button, &QPushButton::clicked, export_action, &QAction::trigger);
    connect(picture_button, &QPushButton::clicked, picture_action, &QAction::trigger);
    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] { set_paused(!is_paused); });

    plot_widget = new trend_plot(store);
    statistics = new statistics_label;
    statistics->setObjectName(QStringLiteral("trend_statistics"));
    statistics->setTextFormat(Qt::PlainText);
    statistics_timer = new QTimer(this);
    statistics_timer->setSingleShot(true);
    statistics_timer->setInterval(500);
    connect(statistics_timer, &QTimer::timeout, this, &trend_window::update_statistics);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(plot_widget, 1);
    layout->addWidget(statistics);
}

void trend_window::present() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void trend_window::showEvent(QShowEvent *event) {
    // The main window gets its icon after it is made, perhaps after this window.
    if (parentWidget())
        setWindowIcon(parentWidget()->windowIcon());
    QWidget::showEvent(event);
    changes_shown = ~quint64(0);
    update_view();
}

void trend_window::refresh() {
    if (!isVisible() || isMinimized() || store.changes() == changes_shown)
        return;
    // While paused only readings dropped from the shown span change what is shown.
    if (is_paused && store.first_index() <= plot_widget->first_shown())
        return;
    show_plot();
    // The statistics follow within half a second: laying out and drawing their text
    // every frame would cost more than the plots.
    if (!statistics_timer->isActive())
        statistics_timer->start();
}

void trend_window::set_span(int index) {
    span_index = std::clamp(index, 0, 3);
    if (QAbstractButton *button = span_buttons->button(span_index))
        button->setChecked(true);
    update_view();
}

void trend_window::set_paused(bool paused) {
    if (paused && !store.empty())
        paused_end_ms = store.received_ms(store.end_index() - 1) + 1;
    is_paused = paused && !store.empty();
    pause_button->setText(is_paused ? resume_caption : pause_caption);
    update_view();
}

void trend_window::update_view() {
    show_plot();
    statistics_timer->stop();
    update_statistics();
}

void trend_window::show_plot() {
    changes_shown = store.changes();
    plot_widget->show_span(spans_ms[span_index],
                           is_paused ? std::optional<qint64>(paused_end_ms) : std::nullopt);
}

void trend_window::update_statistics() {
    const qint64 first = plot_widget->first_shown(), end = plot_widget->end_shown();
    const QString text =
        statistics_line(QStringLiteral("声速(m/s)"), store.stats(trend_velocity, first, end)) +
        QLatin1Char('\n') +
        statistics_line(QStringLiteral("温度(℃)"), store.stats(trend_temperature, first, end)) +
        QStringLiteral("  读数 %1").arg(end - first);
    if (statistics->text() != text)
        statistics->setText(text);
}

void trend_window::set_dialogs_allowed(bool allowed) {
    for (QAction *action : {export_action, picture_action})
        action->setEnabled(allowed);
    for (QPushButton *button : {export_button, picture_button})
        button->setEnabled(allowed);
}

QString trend_window::ask_for_file(const QString &title, const QString &suffix,
                                   const QString &filter) {
    const QString name =
        QStringLiteral("趋势_") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss")) +
        QLatin1Char('.') + suffix;
    QString path = QFileDialog::getSaveFileName(
        this, title, last_folder.isEmpty() ? name : QDir(last_folder).filePath(name), filter);
    if (path.isEmpty())
        return path;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    last_folder = QFileInfo(path).absolutePath();
    return path;
}

void trend_window::export_csv() {
    if (!export_action->isEnabled())
        return;
    // The span as it was shown when asked, whatever comes while the dialog is open.
    const qint64 first = plot_widget->first_shown(), end = plot_widget->end_shown();
    const QString path = ask_for_file(QStringLiteral("导出CSV"), QStringLiteral("csv"),
                                      QStringLiteral("CSV文件(*.csv)"));
    if (!path.isEmpty() && !write_csv(path, first, end))
        show_message(QStringLiteral("\n导出失败\n请检查文件路径和权限！\n"));
}

bool trend_window::write_csv(const QString &path, qint64 first, qint64 end) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(trend_csv_header()) < 0)
        return false;
    for (qint64 from = first; from < end; from += rows_a_piece) {
        const QByteArray rows = trend_csv_rows(store, from, std::min(end, from + rows_a_piece));
        if (file.write(rows) != rows.size())
            return false;
    }
    return file.commit();
}

bool trend_window::write_picture(const QString &path) const {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           plot_widget->picture(plot_widget->devicePixelRatioF()).save(&file, "PNG") &&
           file.commit();
}

void trend_window::save_picture() {
    if (!picture_action->isEnabled())
        return;
    const QString path = ask_for_file(QStringLiteral("保存图片"), QStringLiteral("png"),
                                      QStringLiteral("PNG图片(*.png)"));
    if (!path.isEmpty() && !write_picture(path))
        show_message(QStringLiteral("\n图片保存失败\n请检查文件路径和权限！\n"));
}
