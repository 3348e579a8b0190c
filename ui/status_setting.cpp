#include "ui/fonts.h"
#include "ui/frmain.h"
#include "ui/status_scroll_bar.h"
#include "ui/status_view.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QTextDocument>
#include <QTextEdit>

void frmain::status_setting() {
    status_group = new QGroupBox;
    status_group->setTitle("状态显示区");
    staus_show = new status_view;
    QHBoxLayout *layout = new QHBoxLayout;
    staus_show->setFont(window_font("Times", 10));
    staus_show->setReadOnly(true);
    status_scroll_bar::install(staus_show);
    // Read-only: an undo stack would only keep a copy of every insert.
    staus_show->document()->setUndoRedoEnabled(false);
    layout->addWidget(staus_show, 0);
    status_group->setLayout(layout);
}
