#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The photograph of the interface on the title page: a JPEG shipped as a Qt resource,
// decoded with libjpeg-turbo and scaled down into its place.

#include <QByteArrayView>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace tarvel {

// Images with more pixels than this are refused before any memory is set aside for them.
inline constexpr qint64 maxJpegPixels = 16'000'000;

// Where the photograph lives among the resources.
inline constexpr char titlePhotoResource[] = ":/tarvel/title-photo.jpg";

// Decodes a JPEG into an RGB888 image. Anything that is not a complete, readable JPEG of at
// most maxPixels pixels (empty, truncated, corrupt, another format) gives a null image.
QImage decodeJpeg(QByteArrayView jpeg, qint64 maxPixels = maxJpegPixels);

// The shipped photograph (1451 x 582), decoded; a null image if it is missing or corrupt.
QImage loadTitlePhoto();

// The image scaled proportionally so that it fits into `area`; never enlarged. Draw it at
// the area's top-left corner. A null image gives a null pixmap.
QPixmap fitTopLeft(const QImage& image, QSize area);

} // namespace tarvel
