#include "app/startup.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[]) {
    drop_style_sheet_noise();
    // Nothing here draws with OpenGL, but on X Qt loads its GL integration anyway, and with it
    // Mesa and LLVM: about 50 MB of resident memory. An operator's own setting still wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    enable_display_scaling();
    QApplication app(argc, argv);
    const qreal reduced_by = fit_to_screen();
    QTranslator translator;
    install_catalogue(app, translator);

    // Read but not put in force: applied to the whole application it makes the layout wider
    // than the fixed 800 px window and clips the configuration buttons.
    const QString style_sheet = read_style_sheet();
    Q_UNUSED(style_sheet);

    frmain window(nullptr);
    dress_window(window);
    place_on_screen(window, reduced_by);
    window.show();
    return app.exec();
}
