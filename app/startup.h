#ifndef STARTUP_H
#define STARTUP_H

#include <QIcon>
#include <QString>

class QApplication;
class QTranslator;
class frmain;

// Scales the window with the display: called before the application object is made. Qt's own
// variables (QT_SCALE_FACTOR, QT_ENABLE_HIGHDPI_SCALING, QT_SCALE_FACTOR_ROUNDING_POLICY) still
// win.
void enable_display_scaling();

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
