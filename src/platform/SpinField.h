#pragma once

#include <QSpinBox>

namespace qlx {

// An integer field with up and down buttons. A minimum and maximum that are both 0 mean
// "no bounds", as the layout of the window gives them.
class SpinField : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);

    void setBounds(int minimum, int maximum);
};

} // namespace qlx
