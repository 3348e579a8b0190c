#ifndef APP_WINDOW_H
#define APP_WINDOW_H

#include "support/dialog_answerer.h"
#include "ui/frmain.h"

#include <memory>

// The window as start-up makes it: titled, fixed at 800 x 650 and shown, with its dialogs
// answered by the test.
struct app_window {
    dialog_answerer answerer;
    std::unique_ptr<frmain> window;

    app_window();
    frmain *operator->() const { return window.get(); }
    frmain *get() const { return window.get(); }
    // A member widget of the window found by its member name.
    QObject *member(const QString &name) const;
};

#endif
