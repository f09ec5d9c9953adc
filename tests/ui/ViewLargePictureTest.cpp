// SPDX-License-Identifier: GPL-3.0-or-later
// Painting a part of a large picture: the right pixels far from the origin at
// every zoom, and (as a benchmark) a 1280 x 800 repaint whose cost does not
// grow with the size of the picture.
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <vector>

#include "core/TestPictures.h"
#include "view/GrimassoView.h"

namespace {

constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;

// A bottom-up 24-bit picture whose pixels encode their own position, modulo 4096.
struct LargePicture {
    LargePicture(int width, int height) : header(testpictures::InfoHeader(width, height, 24))
    {
        const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
        rows.assign(rowBytes * static_cast<std::size_t>(height), 0);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * rowBytes;
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x);
                row[3 * x + 1] = static_cast<std::uint8_t>(y);
                row[3 * x + 2] = static_cast<std::uint8_t>(((x >> 8) & 15) * 16 + ((y >> 8) & 15));
            }
        }
    }
    QColor At(int x, int y) const
    {
        const std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * RowBytes(header.biWidth, 24) + 3 * x;
        return QColor(p[2], p[1], p[0]);
    }

    // The position a colour of this picture encodes (modulo 4096).
    static QPoint PositionOf(QColor c) { return QPoint(c.blue() + 256 * (c.red() >> 4), c.green() + 256 * (c.red() & 15)); }

    BITMAPINFOHEADER header;
    std::vector<std::uint8_t> rows;
};

// True when a whole number from floor(from) up to below ceil(to) is value modulo 4096.
bool CoversModulo(int value, double from, double to)
{
    for (auto c = static_cast<long>(std::floor(from)); c < static_cast<long>(std::ceil(to)); ++c)
        if (c % 4096 == value)
            return true;
    return false;
}

// Paints the view's visible part at scroll position scroll, as the view does.
void PaintView(QImage& screen, const LargePicture& picture, double zoom, QPoint scroll)
{
    const QSizeF zoomed(std::trunc(picture.header.biWidth * zoom + 0.5), std::trunc(picture.header.biHeight * zoom + 0.5));
    QPainter painter(&screen);
    painter.translate(-scroll);
    CGrimassoView::DrawPicture(painter, QRectF(QPointF(0, 0), zoomed), picture.header, picture.rows.data(),
                               QRectF(scroll, QSizeF(screen.size())));
}

const LargePicture& TwentyFourMegapixels()
{
    static const LargePicture picture(6000, 4000);
    return picture;
}

}  // namespace

class ViewLargePictureTest : public QObject {
    Q_OBJECT

private slots:
    void farPartIsPaintedWithTheRightPixels_data();
    void farPartIsPaintedWithTheRightPixels();
    void repaintBenchmark_data();
    void repaintBenchmark();
};

void ViewLargePictureTest::farPartIsPaintedWithTheRightPixels_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("scroll");
    QTest::newRow("1/4") << 0.25 << QPoint(200, 150);
    QTest::newRow("3/4") << 0.75 << QPoint(3000, 2200);
    QTest::newRow("1") << 1.0 << QPoint(4720, 3200);
    QTest::newRow("3") << 3.0 << QPoint(15000, 9000);
}

void ViewLargePictureTest::farPartIsPaintedWithTheRightPixels()
{
    QFETCH(double, zoom);
    QFETCH(QPoint, scroll);
    const LargePicture& picture = TwentyFourMegapixels();
    QImage screen(kViewWidth, kViewHeight, QImage::Format_RGB32);
    screen.fill(Qt::magenta);
    PaintView(screen, picture, zoom, scroll);
    const int height = picture.header.biHeight;
    const double zoomedHeight = std::trunc(height * zoom + 0.5);
    const double sx = std::trunc(picture.header.biWidth * zoom + 0.5) / picture.header.biWidth;
    const double sy = zoomedHeight / height;
    for (const QPoint& at : {QPoint(0, 0), QPoint(kViewWidth - 1, kViewHeight - 1), QPoint(637, 411)}) {
        // The screen pixel covers picture columns and (bottom-up) rows in these
        // ranges; it must show one of them.
        const double left = (scroll.x() + at.x()) / sx;
        const double right = (scroll.x() + at.x() + 1) / sx;
        const double top = (zoomedHeight - (scroll.y() + at.y())) / sy;
        const double bottom = (zoomedHeight - (scroll.y() + at.y() + 1)) / sy;
        const QPoint shown = picture.PositionOf(screen.pixelColor(at));
        QVERIFY2(CoversModulo(shown.x(), left, right),
                 qPrintable(QStringLiteral("column %1 outside %2 .. %3").arg(shown.x()).arg(left).arg(right)));
        QVERIFY2(CoversModulo(shown.y(), bottom, top),
                 qPrintable(QStringLiteral("row %1 outside %2 .. %3").arg(shown.y()).arg(bottom).arg(top)));
    }
}

void ViewLargePictureTest::repaintBenchmark_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("picture the size of the view") << kViewWidth << kViewHeight;
    QTest::newRow("24 megapixels") << 6000 << 4000;
}

void ViewLargePictureTest::repaintBenchmark()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const LargePicture small(kViewWidth, kViewHeight);
    const LargePicture& picture = width == kViewWidth ? small : TwentyFourMegapixels();
    QImage screen(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const QPoint scroll(std::max(0, width - kViewWidth) / 2, std::max(0, height - kViewHeight) / 2);
    QBENCHMARK {
        PaintView(screen, picture, 1.0, scroll);
    }
    // The far corner of the painted part is the picture's pixel there.
    QCOMPARE(screen.pixelColor(kViewWidth - 1, 0), picture.At(scroll.x() + kViewWidth - 1, height - 1 - scroll.y()));
}

QTEST_MAIN(ViewLargePictureTest)
#include "ViewLargePictureTest.moc"
