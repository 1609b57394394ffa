#include "platform/SpinField.h"

#include <limits>

namespace qlx {

SpinField::SpinField(QWidget* parent)
    : QSpinBox(parent) {
    setBounds(0, 0);
    setSingleStep(1);
    setValue(0);
}

void SpinField::setBounds(int minimum, int maximum) {
    if (minimum == 0 && maximum == 0)
        setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    else
        setRange(minimum, maximum);
}

} // namespace qlx
