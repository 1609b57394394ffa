#include "support/SlotColours.h"

namespace qlx::test {

QColor slotColour(int slot) {
    static const QColor colours[15] = {{255, 0, 0},   {0, 160, 0},   {0, 0, 255},    {255, 160, 0},
                                       {160, 0, 255}, {0, 160, 255}, {0, 0, 0},      {160, 160, 0},
                                       {255, 0, 160}, {0, 255, 160}, {80, 40, 0},    {0, 80, 80},
                                       {160, 0, 0},   {0, 0, 120},   {120, 120, 120}};
    return slot >= 1 && slot <= 15 ? colours[slot - 1] : QColor(Qt::white);
}

QImage solidImage(const QColor& colour, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

} // namespace qlx::test
