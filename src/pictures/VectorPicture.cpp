#include "pictures/VectorPicture.h"

namespace qlx {

VectorPicture::~VectorPicture() = default;

} // namespace qlx
