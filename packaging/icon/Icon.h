#pragma once

#include <QImage>

namespace tovelo {

// The window icon at `size` × `size` pixels for the desktop's icon theme. The picture is pixel
// art: it is enlarged by whole pixels, each one becoming a square block, and only brought down
// smoothly to sizes that are not a whole multiple of it.
QImage iconAt(const QImage& source, int size);

} // namespace tovelo
