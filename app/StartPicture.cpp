// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartPicture.h"

#include <QByteArray>
#include <QFile>

#include "image/ByteStream.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

// The resources live in a static library and must be registered explicitly;
// this has to happen outside any namespace.
static int RegisterResourcesOnce()
{
    Q_INIT_RESOURCE(grimasso);
    return 0;
}

static void RegisterResources()
{
    static const int registered = RegisterResourcesOnce();
    (void)registered;
}

QImage ReadBitmapBytes(const QByteArray& bytes)
{
    try {
        CDibImage picture;
        ByteReader reader(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
        picture.ReadFromArchive(reader, false);
        if (!picture.ConvertTo24Bit())
            return QImage();
        const BITMAPINFOHEADER header = picture.GetHeader();
        if (header.biWidth <= 0 || header.biHeight <= 0)
            return QImage();
        // The rows run bottom-up: wrap them, then turn the image upright (a copy).
        const QImage bottomUp(picture.m_pBits.data(), header.biWidth, header.biHeight,
                              static_cast<qsizetype>(RowBytes(header.biWidth, 24)), QImage::Format_BGR888);
        return bottomUp.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
    } catch (const CException&) {
        return QImage();
    }
}

QImage LoadStartPicture()
{
    RegisterResources();
    QFile file(QStringLiteral(":/grimasso/startscreen.bmp"));
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    return ReadBitmapBytes(file.readAll());
}
