#ifndef TREND_WINDOW_H
#define TREND_WINDOW_H

#include <QString>
#include <QWidget>

class QAction;
class QButtonGroup;
class QLabel;
class QPushButton;
class QTimer;
class trend_plot;
class trend_store;

// The window "声速与温度趋势": the readings of a span against time, their statistics, and the
// span exported as CSV or saved as a picture. Made once with the main window as its parent (a
// window of its own that closes with it); closing it only hides it.
class trend_window : public QWidget {
public:
    trend_window(const trend_store &store, QWidget *parent);

    // Shows the window, or raises it if shown.
    void present();
    // Once a display frame: draws what came since, only while the window is visible.
    void refresh();
    // While a configuration sequence runs no dialog may open: export and save are refused.
    void set_dialogs_allowed(bool allowed);

    // The spans offered, in milliseconds; 0 is "全部".
    static constexpr qint64 spans_ms[] = {60'000, 600'000, 3'600'000, 0};
    void set_span(int index);
    void set_paused(bool paused);
    bool paused() const { return is_paused; }
    const trend_plot *plot() const { return plot_widget; }

    // What the buttons and keys do; each asks for a file and reports a failed write in a box.
    void export_csv();
    void save_picture();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void update_view();
    void show_plot();
    void update_statistics();
    // Write the readings [first, end), or the plots as a PNG: false if that failed (and then
    // nothing is left at path).
    bool write_csv(const QString &path, qint64 first, qint64 end) const;
    bool write_picture(const QString &path) const;
    QString ask_for_file(const QString &title, const QString &suffix, const QString &filter);

    const trend_store &store;
    trend_plot *plot_widget;
    QLabel *statistics;
    QTimer *statistics_timer;
    QButtonGroup *span_buttons;
    QPushButton *pause_button;
    QPushButton *export_button;
    QPushButton *picture_button;
    QAction *export_action;
    QAction *picture_action;
    int span_index = 0;
    bool is_paused = false;
    qint64 paused_end_ms = 0; // the end of the span while paused
    quint64 changes_shown = ~quint64(0);
    QString last_folder;
};

#endif
