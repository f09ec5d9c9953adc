// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/qt/Clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <cstring>
#include <memory>
#include <vector>

#include "image/ByteStream.h"
#include "image/Exceptions.h"
#include "image/PackedBitmap.h"

namespace {

const QString kBmpMimeType = QStringLiteral("image/bmp");
const QString kQtImageMimeType = QStringLiteral("application/x-qt-image");

QString OwnMimeType()
{
    return QString::fromLatin1(kGrimassoDibMimeType);
}

// Holds one block; the bitmap file and the image for other programs are made
// only when someone asks for them, so a large picture is not copied three times.
class PictureMimeData : public QMimeData {
public:
    PictureMimeData(std::vector<std::uint8_t> block, int width, int height)
        : m_block(std::move(block)), m_width(width), m_height(height) {}

    QStringList formats() const override { return {OwnMimeType(), kBmpMimeType, kQtImageMimeType}; }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString& type, QMetaType preferredType) const override
    {
        try {
            if (type == OwnMimeType())
                return QByteArray(reinterpret_cast<const char*>(m_block.data()), static_cast<qsizetype>(m_block.size()));
            if (type == kBmpMimeType) {
                const std::vector<std::uint8_t> file = BmpFileFromPackedBitmap(m_block);
                return QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
            }
            if (type == kQtImageMimeType)
                return ToImage();
        } catch (const CException&) {
            // Not enough memory for the conversion: offer nothing in that form.
        }
        return QMimeData::retrieveData(type, preferredType);
    }

private:
    QImage ToImage() const
    {
        const auto rowBytes = static_cast<qsizetype>(RowBytes(m_width, 24));
        const QImage wrapped(m_block.data() + sizeof(BITMAPINFOHEADER), m_width, m_height, rowBytes,
                             QImage::Format_BGR888);
        // The rows are stored bottom-up; the image wants the top row first.
        return wrapped.mirrored(false, true);
    }

    std::vector<std::uint8_t> m_block;
    int m_width;
    int m_height;
};

// A foreign image as a packed 24-bit block; transparent parts over white.
std::vector<std::uint8_t> BlockFromImage(const QImage& image)
{
    QImage opaque(image.size(), QImage::Format_BGR888);
    if (opaque.isNull())
        throw CMemoryException();
    if (image.hasAlphaChannel()) {
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    } else {
        opaque = image.convertToFormat(QImage::Format_BGR888);
        if (opaque.isNull())
            throw CMemoryException();
    }
    return PackTopDownBgrRows(opaque.width(), opaque.height(), opaque.constBits(),
                              static_cast<std::size_t>(opaque.bytesPerLine()));
}

void ReadBitmapFile(CDibImage& image, const QByteArray& file)
{
    ByteReader stream(reinterpret_cast<const std::uint8_t*>(file.constData()), static_cast<std::size_t>(file.size()));
    image.ReadFromArchive(stream, false);
}

void ReadBlock(CDibImage& image, const QByteArray& block)
{
    ReadPackedBitmap(image, reinterpret_cast<const std::uint8_t*>(block.constData()),
                     static_cast<std::size_t>(block.size()));
}

[[noreturn]] void RaiseNoPicture()
{
    throw CFileException(CFileException::generic, -1, "clipboard");
}

}  // namespace

bool ClipboardHasPicture()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasFormat(OwnMimeType()) || mime->hasFormat(kBmpMimeType) || mime->hasImage());
}

bool CopyPictureToClipboard(const BITMAPINFOHEADER& header, const std::uint8_t* rows)
{
    std::unique_ptr<PictureMimeData> mime;
    try {
        mime = std::make_unique<PictureMimeData>(BuildPackedBitmap(header, rows), header.biWidth, header.biHeight);
    } catch (const CException&) {
        // The old content is given up all the same: a paste after a failed
        // copy must not bring back some earlier picture.
        QGuiApplication::clipboard()->clear();
        return false;
    }
    QGuiApplication::clipboard()->setMimeData(mime.release());
    return true;
}

void PasteFromClipboard(CDibImage& image)
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        RaiseNoPicture();
    if (mime->hasFormat(OwnMimeType())) {
        ReadBlock(image, mime->data(OwnMimeType()));
        return;
    }
    const bool hasImage = mime->hasImage();
    if (mime->hasFormat(kBmpMimeType)) {
        try {
            ReadBitmapFile(image, mime->data(kBmpMimeType));
            return;
        } catch (const CException&) {
            // A bitmap variant we do not read (32 bits with alpha, say): the
            // image form of the same picture may still serve.
            if (!hasImage)
                throw;
            image.m_pBits.reset();
            image.m_pColors.clear();
        }
    }
    if (!hasImage)
        RaiseNoPicture();
    const QImage picture = qvariant_cast<QImage>(mime->imageData());
    if (picture.isNull())
        RaiseNoPicture();
    const std::vector<std::uint8_t> block = BlockFromImage(picture);
    ReadPackedBitmap(image, block.data(), block.size());
}
