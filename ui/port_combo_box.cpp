#include "ui/port_combo_box.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace {
class described_item : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(Qt::ToolTipRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("   ") + description;
    }
};
} // namespace

port_combo_box::port_combo_box(QWidget *parent) : QComboBox(parent) {
    setItemDelegate(new described_item(this));
}

void port_combo_box::showPopup() {
    if (before_popup)
        before_popup();
    QComboBox::showPopup();
    // Wide enough for the descriptions, which the box's own width does not count.
    QAbstractItemView *list = view();
    const int wanted = list->sizeHintForColumn(0) + 2 * list->frameWidth() + 8;
    QWidget *popup = list->window();
    if (popup != window() && popup->width() < wanted)
        popup->resize(wanted, popup->height());
}
