#include "trend/trend_opener.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <QWidget>

namespace {
class trend_opener : public QObject {
public:
    trend_opener(const QList<QWidget *> &readouts, QWidget *group, std::function<void()> open)
        : QObject(group), readouts(readouts), open(std::move(open)) {
        // Shown with popup(), not exec(): an event loop of its own would hold up a sequence's
        // pacing if one ran meanwhile.
        menu = new QMenu(group);
        menu->addAction(QStringLiteral("趋势图…"), this, [this] { this->open(); });
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        const bool readout = readouts.contains(static_cast<QWidget *>(watched));
        switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            if (!readout)
                return false;
            open();
            return true;
        case QEvent::ContextMenu:
            menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        case QEvent::ToolTip:
            if (!readout)
                return false;
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               QStringLiteral("双击查看趋势图"), nullptr);
            return true;
        default:
            return false;
        }
    }

private:
    QList<QWidget *> readouts;
    std::function<void()> open;
    QMenu *menu;
};
} // namespace

void install_trend_opener(const QList<QWidget *> &readouts, QWidget *display_group,
                          std::function<void()> open) {
    auto *opener = new trend_opener(readouts, display_group, std::move(open));
    for (QWidget *readout : readouts)
        readout->installEventFilter(opener);
    display_group->installEventFilter(opener);
}
