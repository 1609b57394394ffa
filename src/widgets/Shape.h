#pragma once

#include <QWidget>

namespace qlx {

// A rectangle with a white fill and a black one-pixel outline.
class Shape : public QWidget {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace qlx
