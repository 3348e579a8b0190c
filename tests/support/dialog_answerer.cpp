#include "support/dialog_answerer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

namespace {
// Only the newest answerer acts, so a test that makes a second window sees its own boxes.
QList<dialog_answerer *> live_answerers;
} // namespace

dialog_answerer::dialog_answerer() {
    live_answerers << this;
    connect(&timer, &QTimer::timeout, this, &dialog_answerer::poll);
    timer.start(5);
}

dialog_answerer::~dialog_answerer() {
    live_answerers.removeAll(this);
}

void dialog_answerer::answer_save_dialog(const QString &path) {
    save_answers.enqueue(path);
}

bool dialog_answerer::wait_for_messages(int n, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    while (messages.size() < n && clock.elapsed() < timeout_ms)
        QTest::qWait(5);
    return messages.size() >= n;
}

void dialog_answerer::poll() {
    if (live_answerers.isEmpty() || live_answerers.last() != this)
        return;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *w : widgets) {
        if (!w->isVisible())
            continue;
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            if (box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            messages << box->text();
            message_had_parent << (box->parentWidget() != nullptr);
            QPointer<QMessageBox> guard(box);
            if (on_open)
                on_open();
            if (guard)
                QTimer::singleShot(answer_delay_ms, guard.data(), [guard] {
                    if (guard)
                        guard->done(QMessageBox::Ok);
                });
            return; // on_open may have processed events: the list may be stale
        } else if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
            if (dialog->property("answered").toBool())
                continue;
            dialog->setProperty("answered", true);
            save_dialog_seen seen;
            seen.title = dialog->windowTitle();
            const QList<QLineEdit *> edits = dialog->findChildren<QLineEdit *>("fileNameEdit");
            seen.start_path = edits.isEmpty() ? QString() : edits.first()->text();
            seen.filters = dialog->nameFilters();
            seen.had_parent = dialog->parentWidget() != nullptr;
            save_dialogs << seen;
            QPointer<QFileDialog> guard(dialog);
            if (on_open)
                on_open();
            const QString answer = save_answers.isEmpty() ? QString() : save_answers.dequeue();
            if (guard)
                QTimer::singleShot(answer_delay_ms, guard.data(), [guard, answer] {
                    if (!guard)
                        return;
                    if (answer.isEmpty()) {
                        guard->reject();
                    } else {
                        // Typed into the name field as an operator would: selectFile leaves a
                        // focused field alone.
                        if (auto *edit = guard->findChild<QLineEdit *>("fileNameEdit"))
                            edit->setText(answer);
                        static_cast<QDialog *>(guard.data())->done(QDialog::Accepted);
                    }
                });
            return;
        }
    }
}
