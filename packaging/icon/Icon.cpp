#include "Icon.h"

#include <algorithm>

namespace tovelo {

QImage iconAt(const QImage& source, int size) {
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    const int factor = std::max(1, (size + picture.width() - 1) / picture.width());
    const QImage blocks = picture.scaled(picture.width() * factor, picture.height() * factor,
                                         Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (blocks.width() == size && blocks.height() == size) return blocks;
    return blocks.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace tovelo
