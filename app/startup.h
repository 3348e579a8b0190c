#ifndef STARTUP_H
#define STARTUP_H

#include <QIcon>
#include <QMargins>
#include <QSize>
#include <QString>

class QApplication;
class QTranslator;
class QWidget;
class frmain;

// Scales the window with the display: called before the application object is made. Qt's own
// variables (QT_SCALE_FACTOR, QT_ENABLE_HIGHDPI_SCALING, QT_SCALE_FACTOR_ROUNDING_POLICY) still
// win.
void enable_display_scaling();

// The scale the window is shown at on a screen whose work area is work_area device pixels at the
// display's scale, the platform's frame around it taking frame device pixels: the display's own
// where the 800 x 650 window fits with its frame, otherwise the largest at which it does, never
// below 1.
qreal fitting_scale(const QSize &work_area, qreal display_scale, const QMargins &frame);

// Lowers the scale of the windows to come so that the window fits the primary screen's work area,
// unless the operator set Qt's own scaling. Called after the application object is made and before
// any window; returns the factor it lowered the display's scale by (1: none).
qreal fit_to_screen();

// Places the window, frame and all, in the middle of the primary screen's work area, its title
// bar on the screen even where the window is too large for it; once the display's scale changes,
// the start's reduction by reduced_by is dropped and the window follows the display.
void place_on_screen(QWidget &window, qreal reduced_by);

// Keeps Qt's "Unknown property cursorVisible" out of the program's output, and nothing else. The
// read-outs' style sheet names that property, and Qt reports it on every start and repaint.
void drop_style_sheet_noise();

// Loads the toolkit's Chinese catalogue from the bundle into translator and installs it,
// whether or not it loaded.
void install_catalogue(QApplication &app, QTranslator &translator);

// The style sheet from the bundle, read whole as Latin-1 up to the first NUL.
QString read_style_sheet();

// The window icon, made from the instrument picture in the bundle.
QIcon window_icon();

// Icon, title and the fixed 800 x 650 size of the window.
void dress_window(frmain &window);

#endif
