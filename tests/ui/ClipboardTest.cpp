// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures through the clipboard: what Copy offers to us and to other
// programs, and what pasting accepts.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QtTest>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <sys/resource.h>

#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/PackedBitmap.h"
#include "image/qt/Clipboard.h"

using testpictures::Pattern24;

namespace {

BITMAPINFOHEADER Header24(int width, int height)
{
    BITMAPINFOHEADER header = testpictures::InfoHeader(width, height, 24);
    header.biSizeImage = static_cast<std::uint32_t>(RowBytes(width, 24) * height);
    return header;
}

// Colour of picture column x, bottom-up row y.
QColor PixelOf(const std::uint8_t* rows, int width, int x, int y)
{
    const std::uint8_t* p = rows + static_cast<std::size_t>(y) * RowBytes(width, 24) + 3 * x;
    return QColor(p[2], p[1], p[0]);
}

QByteArray Bytes(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

void PasteInto(CDibImage& image)
{
    PasteFromClipboard(image);
}

// The process's address space in bytes, as the kernel counts it for RLIMIT_AS.
rlim_t AddressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            rlim_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return 0;
}

// Caps the address space a little above what is in use, for the scope's life.
class AddressSpaceCap {
public:
    AddressSpaceCap()
    {
        const rlim_t inUse = AddressSpaceInUse();
        m_ok = inUse > 0 && getrlimit(RLIMIT_AS, &m_saved) == 0;
        if (!m_ok)
            return;
        rlimit capped = m_saved;
        capped.rlim_cur = inUse + (rlim_t{256} << 20);
        if (m_saved.rlim_max != RLIM_INFINITY && capped.rlim_cur > m_saved.rlim_max)
            capped.rlim_cur = m_saved.rlim_max;
        m_ok = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap()
    {
        if (m_ok)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    bool Active() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

}  // namespace

class ClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QApplication::clipboard()->clear(); }

    void copyOffersOurBlockBitmapFileAndImage();
    void foreignImageIsFlattenedOverWhiteAndKeepsItsOrientation();
    void foreignPaletteBitmapPastesAsPalettePicture();
    void unreadableBitmapFallsBackToTheImageForm();
    void clipboardWithoutPictureIsRefused();
    void failedCopyLeavesTheClipboardEmpty();
};

void ClipboardTest::copyOffersOurBlockBitmapFileAndImage()
{
    const std::vector<std::uint8_t> rows = Pattern24(3, 2);
    QVERIFY(CopyPictureToClipboard(Header24(3, 2), rows.data()));
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QVERIFY(ClipboardHasPicture());

    const QByteArray block = mime->data(QLatin1String(kGrimassoDibMimeType));
    QCOMPARE(block.size(), 68);
    QCOMPARE(block, Bytes(BuildPackedBitmap(Header24(3, 2), rows.data())));

    // Other programs: a bitmap file and an image, both upright.
    const QImage fromFile = QImage::fromData(mime->data(QStringLiteral("image/bmp")), "BMP");
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    for (const QImage& offered : {fromFile, image}) {
        QCOMPARE(offered.size(), QSize(3, 2));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(offered.pixelColor(x, y), PixelOf(rows.data(), 3, x, 1 - y));
    }
}

void ClipboardTest::foreignImageIsFlattenedOverWhiteAndKeepsItsOrientation()
{
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.setPixelColor(0, 0, QColor(255, 0, 0));        // top left: opaque red
    picture.setPixelColor(1, 0, QColor(0, 0, 255, 0));     // top right: transparent
    picture.setPixelColor(0, 1, QColor(0, 255, 0));        // bottom left: green
    picture.setPixelColor(1, 1, QColor(0, 0, 0, 128));     // bottom right: half black
    auto* mime = new QMimeData;
    mime->setImageData(picture);
    QApplication::clipboard()->setMimeData(mime);
    QVERIFY(ClipboardHasPicture());

    CDibImage image;
    PasteInto(image);
    QCOMPARE(image.GetHeader().biBitCount, std::uint16_t{24});
    const std::uint8_t* rows = image.m_pBits.data();
    QCOMPARE(PixelOf(rows, 2, 0, 1), QColor(255, 0, 0));      // top row is the last stored row
    QCOMPARE(PixelOf(rows, 2, 1, 1), QColor(255, 255, 255));  // transparent becomes white
    QCOMPARE(PixelOf(rows, 2, 0, 0), QColor(0, 255, 0));
    const QColor half = PixelOf(rows, 2, 1, 0);
    QVERIFY2(half.red() > 110 && half.red() < 145, "half transparent black over white is mid grey");
}

void ClipboardTest::foreignPaletteBitmapPastesAsPalettePicture()
{
    // A 2 x 1 bitmap file of 8 bits from another program.
    const std::vector<RGBQUAD> colours = testpictures::DistinctColours(256);
    const std::vector<std::uint8_t> file =
        testpictures::BitmapFile(testpictures::InfoHeader(2, 1, 8), colours, {5, 250, 0, 0});
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"), Bytes(file));
    QApplication::clipboard()->setMimeData(mime);
    QVERIFY(ClipboardHasPicture());

    CDibImage image;
    PasteInto(image);
    QCOMPARE(image.GetHeader().biBitCount, std::uint16_t{8});
    QVERIFY(image.ConvertTo24Bit());
    QCOMPARE(PixelOf(image.m_pBits.data(), 2, 1, 0),
             QColor(colours[250].rgbRed, colours[250].rgbGreen, colours[250].rgbBlue));
}

void ClipboardTest::unreadableBitmapFallsBackToTheImageForm()
{
    // A 32-bit bitmap (as screen captures come) we do not read, offered with its image.
    testpictures::ByteAssembler file;
    testpictures::AppendFileHeader(file, 14 + 40 + 4, 54);
    testpictures::AppendInfoHeader(file, testpictures::InfoHeader(1, 1, 32));
    file.U32(0x00FF0000);
    QImage picture(1, 1, QImage::Format_RGB32);
    picture.setPixelColor(0, 0, QColor(10, 20, 30));

    auto* both = new QMimeData;
    both->setData(QStringLiteral("image/bmp"), Bytes(file.bytes));
    both->setImageData(picture);
    QApplication::clipboard()->setMimeData(both);
    CDibImage image;
    PasteInto(image);
    QCOMPARE(PixelOf(image.m_pBits.data(), 1, 0, 0), QColor(10, 20, 30));

    auto* bitmapOnly = new QMimeData;
    bitmapOnly->setData(QStringLiteral("image/bmp"), Bytes(file.bytes));
    QApplication::clipboard()->setMimeData(bitmapOnly);
    CDibImage refused;
    try {
        PasteInto(refused);
        QFAIL("a 32-bit bitmap without an image form was accepted");
    } catch (const CArchiveException& e) {
        QCOMPARE(e.m_cause, int(CArchiveException::badIndex));
    }
}

void ClipboardTest::clipboardWithoutPictureIsRefused()
{
    QVERIFY(!ClipboardHasPicture());
    CDibImage empty;
    QVERIFY_THROWS_EXCEPTION(CFileException, PasteInto(empty));

    QApplication::clipboard()->setText(QStringLiteral("words"));
    QVERIFY(!ClipboardHasPicture());
    CDibImage text;
    QVERIFY_THROWS_EXCEPTION(CFileException, PasteInto(text));
    // The clipboard keeps what it had.
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("words"));
}

void ClipboardTest::failedCopyLeavesTheClipboardEmpty()
{
    const std::vector<std::uint8_t> rows = Pattern24(3, 2);
    QVERIFY(CopyPictureToClipboard(Header24(3, 2), rows.data()));
    QVERIFY(ClipboardHasPicture());

    // A picture whose block (about 1.3 GB) cannot be had: the copy fails, and
    // the earlier picture must not stay behind to be pasted by mistake.
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer ends the process on a failed allocation instead of throwing");
#endif
    bool copied = true;
    {
        AddressSpaceCap cap;
        if (!cap.Active())
            QSKIP("the address space cannot be limited here");
        copied = CopyPictureToClipboard(Header24(30000, 15000), rows.data());
    }
    QVERIFY(!copied);
    QVERIFY(!ClipboardHasPicture());
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(!mime || mime->formats().isEmpty());
}

QTEST_MAIN(ClipboardTest)
#include "ClipboardTest.moc"
