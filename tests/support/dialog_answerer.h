#ifndef DIALOG_ANSWERER_H
#define DIALOG_ANSWERER_H

#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the program's modal message boxes and save dialogs while a test runs, and records what
// they showed, so every test runs unattended.
class dialog_answerer : public QObject {
    Q_OBJECT
public:
    struct save_dialog_seen {
        QString title;
        QString start_path; // what the file-name field offered when the dialog opened
        QStringList filters;
        bool had_parent;
    };

    dialog_answerer();
    ~dialog_answerer() override;

    // The answers for the next save dialogs, in order; an empty string cancels.
    void answer_save_dialog(const QString &path);
    // How long a dialog stays open before it is answered (bytes may arrive meanwhile).
    void set_answer_delay(int ms) { answer_delay_ms = ms; }
    // Runs once a dialog or box is seen open, before it is answered; it may process events.
    std::function<void()> on_open;

    QStringList messages;           // texts of the message boxes, in order
    QList<bool> message_had_parent; // whether each box had a parent window
    QList<save_dialog_seen> save_dialogs;

    // Waits, processing events, until n message boxes have been answered (false on time-out).
    bool wait_for_messages(int n, int timeout_ms = 5000);

private:
    void poll();
    QTimer timer;
    QQueue<QString> save_answers;
    int answer_delay_ms = 0;
};

#endif
