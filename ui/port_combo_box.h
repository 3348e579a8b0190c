#ifndef PORT_COMBO_BOX_H
#define PORT_COMBO_BOX_H

#include <QComboBox>
#include <functional>

// The port list's drop-down. Each time the operator opens it, before_popup may fill it afresh;
// the open list shows each port's description (an item's tool tip), where the system gives one,
// beside its name. The closed box shows the name alone: it is what the port is opened by.
class port_combo_box : public QComboBox {
public:
    explicit port_combo_box(QWidget *parent = nullptr);
    std::function<void()> before_popup;

protected:
    void showPopup() override;
};

#endif
