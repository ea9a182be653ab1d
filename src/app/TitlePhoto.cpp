// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TitlePhoto.h"

#include <QFile>

#include <turbojpeg.h>

#include <memory>

// Resources compiled into a static library are only linked in when something refers to
// them; this does, and it has to sit outside any namespace.
static void initTarvelResources()
{
    Q_INIT_RESOURCE(tarvel);
}

namespace tarvel {

namespace {

struct TjHandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleCloser>;

} // namespace

QImage decodeJpeg(QByteArrayView jpeg, qint64 maxPixels)
{
    if (jpeg.isEmpty())
        return {};
    const TjHandle handle(tjInitDecompress());
    if (!handle)
        return {};

    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) != 0)
        return {};
    if (width <= 0 || height <= 0 || qint64 {width} * height > maxPixels)
        return {};

    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    // Any warning (a truncated or damaged stream) counts as a failure: half a photograph is
    // not shown. The scan limit keeps a hostile progressive file from running for minutes.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, size, image.bits(), width, static_cast<int>(image.bytesPerLine()),
            height, TJPF_RGB, flags)
        != 0)
        return {};
    return image;
}

QImage loadTitlePhoto()
{
    initTarvelResources();
    QFile file(QString::fromLatin1(titlePhotoResource));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return decodeJpeg(bytes);
}

QPixmap fitTopLeft(const QImage& image, QSize area)
{
    if (image.isNull() || area.isEmpty())
        return {};
    if (image.width() <= area.width() && image.height() <= area.height())
        return QPixmap::fromImage(image);
    return QPixmap::fromImage(image.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace tarvel
