#pragma once
// The product picture of the splash screen and the About box, drawn rather
// than shipped: an audiogram motif and the product name.
#include <QPixmap>

namespace tonmark {

QPixmap ProductPicture(int width = 480, int height = 291);

} // namespace tonmark
