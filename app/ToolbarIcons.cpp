// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToolbarIcons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

#include "framework/CommandIds.h"

namespace {

// Colours of the pictures.
const QColor kInk(0x30, 0x30, 0x38);
const QColor kPaper(0xfc, 0xfc, 0xf8);
const QColor kFolder(0xf2, 0xc1, 0x4e);
const QColor kBlue(0x3a, 0x6e, 0xc8);
const QColor kRed(0xd6, 0x45, 0x3d);
const QColor kGreen(0x3f, 0x9a, 0x4a);
const QColor kSkin(0xf5, 0xc8, 0x9a);

QPen Ink(double width = 1.0)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A solid arrow head at tip, pointing in direction (dx, dy).
void ArrowHead(QPainter& p, QPointF tip, double dx, double dy, double size, const QColor& colour)
{
    const double length = std::hypot(dx, dy);
    const double ux = dx / length;
    const double uy = dy / length;
    const QPointF back(tip.x() - ux * size, tip.y() - uy * size);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(back.x() - uy * size * 0.6, back.y() + ux * size * 0.6);
    head.lineTo(back.x() + uy * size * 0.6, back.y() - ux * size * 0.6);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(head);
}

void Page(QPainter& p, const QRectF& r)
{
    p.setPen(Ink());
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x9a, 0x9a, 0xa4), 1.0));
    for (double y = r.top() + 2.5; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void DrawOpen(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kFolder.darker(115));
    p.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
    p.setBrush(kFolder);
    p.drawPolygon(QPolygonF({{1.5, 13.5}, {4, 7.5}, {15.5, 7.5}, {13.5, 13.5}}));
}

void DrawSave(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{1.5, 1.5}, {13, 1.5}, {14.5, 3}, {14.5, 14.5}, {1.5, 14.5}}));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(0xd8, 0xd8, 0xe0));
    p.drawRect(QRectF(4, 9.5, 8, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(9, 2.5, 2, 3));
}

void DrawCut(QPainter& p)
{
    p.setPen(Ink(1.2));
    p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10));
    p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRed, 1.4));
    p.drawEllipse(QPointF(4.5, 12.2), 2.3, 2.3);
    p.drawEllipse(QPointF(11.5, 12.2), 2.3, 2.3);
}

void DrawCopy(QPainter& p)
{
    Page(p, QRectF(1.5, 1.5, 8, 10));
    Page(p, QRectF(6.5, 4.5, 8, 10));
}

// A little landscape, the sign of a picture.
void Landscape(QPainter& p, const QRectF& r)
{
    p.setPen(Ink());
    p.setBrush(QColor(0xbf, 0xe0, 0xf6));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{r.left() + 0.5, r.bottom()},
                             {r.left() + r.width() * 0.4, r.top() + r.height() * 0.4},
                             {r.left() + r.width() * 0.65, r.top() + r.height() * 0.7},
                             {r.left() + r.width() * 0.8, r.top() + r.height() * 0.55},
                             {r.right(), r.bottom()}}));
    p.setBrush(kFolder);
    p.drawEllipse(QPointF(r.right() - 2, r.top() + 2), 1.1, 1.1);
}

void DrawPaste(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(QColor(0xb0, 0x80, 0x50));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
    p.setBrush(QColor(0xc8, 0xc8, 0xd0));
    p.drawRect(QRectF(4, 1.5, 5, 2.5));
    Landscape(p, QRectF(6.5, 6.5, 8, 8));
}

void DrawUndo(QPainter& p)
{
    QPainterPath arc;
    arc.moveTo(4, 6);
    arc.cubicTo(7, 2.5, 14, 3.5, 13.5, 9);
    arc.cubicTo(13, 12.5, 9.5, 13.5, 7, 13);
    p.setPen(QPen(kBlue, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    ArrowHead(p, QPointF(1.5, 8.5), -1.0, 1.0, 4.5, kBlue);
}

void DrawPrint(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xa8, 0xa8, 0xb4));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(12.2, 8.5), 0.8, 0.8);
}

void DrawAbout(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.7), 1.2, 1.2);
    p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 6), 0.6, 0.6);
}

void DrawContextHelp(QPainter& p)
{
    // The mouse arrow with a question mark beside it.
    p.setPen(Ink(0.8));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{1.5, 1.5}, {1.5, 12}, {4, 9.5}, {5.8, 13.5}, {7.3, 12.8}, {5.6, 9}, {8.8, 9}}));
    QPainterPath mark;
    mark.moveTo(10, 4.5);
    mark.cubicTo(10, 1.5, 14.8, 1.5, 14.8, 4.5);
    mark.cubicTo(14.8, 6.5, 12.4, 6.6, 12.4, 9);
    p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12.4, 12.6), 1.0, 1.0);
}

// A grid whose middle is pulled aside, the sign of the move-point tool.
void DrawMovePoint(QPainter& p)
{
    p.setPen(QPen(QColor(0x80, 0x80, 0x8c), 0.8));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const double t = 2 + i * 4;
        QPainterPath vertical;
        vertical.moveTo(t, 1);
        vertical.cubicTo(t + (i == 1 || i == 2 ? 2.5 : 0.8), 6, t + (i == 1 || i == 2 ? 2.5 : 0.8), 10, t, 15);
        p.drawPath(vertical);
        QPainterPath horizontal;
        horizontal.moveTo(1, t);
        horizontal.cubicTo(6, t - (i == 1 || i == 2 ? 1.5 : 0.5), 10, t - (i == 1 || i == 2 ? 1.5 : 0.5), 15, t);
        p.drawPath(horizontal);
    }
    p.setPen(QPen(kRed, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 9), QPointF(10, 6.5));
    ArrowHead(p, QPointF(13, 5), 3.0, -1.5, 3.5, kRed);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(5, 9), 1.5, 1.5);
}

void DrawMoveOptions(QPainter& p)
{
    p.setPen(QPen(kInk, 1.0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7, 7), 5.5, 5.5);
    p.setPen(QPen(kRed, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(12.5, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(7, 7), 1.4, 1.4);
    // A small slider: the radius is a setting.
    p.setPen(Ink());
    p.drawLine(QPointF(2, 14.5), QPointF(15, 14.5));
    p.setBrush(kBlue);
    p.drawRect(QRectF(9, 12.5, 2.5, 3.5));
}

void RegionCircle(QPainter& p)
{
    p.setPen(QPen(kInk, 1.0, Qt::DashLine));
    p.setBrush(kSkin);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
}

void DrawEnlarge(QPainter& p)
{
    RegionCircle(p);
    p.setPen(QPen(kRed, 1.3, Qt::SolidLine, Qt::RoundCap));
    const double diagonal = 0.7071;
    for (int i = 0; i < 4; ++i) {
        const double sx = (i & 1) ? 1 : -1;
        const double sy = (i & 2) ? 1 : -1;
        p.drawLine(QPointF(8 + sx * 1.5, 8 + sy * 1.5), QPointF(8 + sx * 4, 8 + sy * 4));
        ArrowHead(p, QPointF(8 + sx * 6, 8 + sy * 6), sx * diagonal, sy * diagonal, 3.0, kRed);
        p.setPen(QPen(kRed, 1.3, Qt::SolidLine, Qt::RoundCap));
    }
}

void DrawShrink(QPainter& p)
{
    RegionCircle(p);
    p.setPen(QPen(kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
    const double diagonal = 0.7071;
    for (int i = 0; i < 4; ++i) {
        const double sx = (i & 1) ? 1 : -1;
        const double sy = (i & 2) ? 1 : -1;
        p.drawLine(QPointF(8 + sx * 5.5, 8 + sy * 5.5), QPointF(8 + sx * 3.2, 8 + sy * 3.2));
        ArrowHead(p, QPointF(8 + sx * 1.2, 8 + sy * 1.2), -sx * diagonal, -sy * diagonal, 3.0, kBlue);
        p.setPen(QPen(kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
    }
}

void DrawRotate(QPainter& p)
{
    RegionCircle(p);
    QPainterPath swirl;
    swirl.moveTo(8, 8);
    for (int step = 1; step <= 40; ++step) {
        const double angle = step * 0.2;
        const double radius = step * 0.13;
        swirl.lineTo(8 + radius * std::cos(angle), 8 + radius * std::sin(angle));
    }
    p.setPen(QPen(kRed, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(swirl);
    const double angle = 8.0;
    ArrowHead(p, QPointF(8 + 5.6 * std::cos(angle + 0.35), 8 + 5.6 * std::sin(angle + 0.35)), -std::sin(angle),
              std::cos(angle), 3.0, kRed);
}

void DrawSmooth(QPainter& p)
{
    QPainterPath rough;
    rough.moveTo(1, 5);
    for (int i = 1; i <= 7; ++i)
        rough.lineTo(1 + i * 2, (i % 2) ? 2 : 6);
    p.setPen(QPen(QColor(0x90, 0x90, 0x9a), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rough);
    QPainterPath calm;
    calm.moveTo(1, 12);
    calm.cubicTo(5, 9.5, 11, 14.5, 15, 12);
    p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(calm);
    p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 7), QPointF(8, 9));
    ArrowHead(p, QPointF(8, 10.5), 0, 1, 2.2, kInk);
}

// A face with big eyes and a wide smile: the face caricature.
void DrawFace(QPainter& p)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(QColor(0xf2, 0xc9, 0x9a));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(3.5, 4, 4, 4));
    p.drawEllipse(QRectF(8.5, 4, 4, 4));
    p.setBrush(kInk);
    p.drawEllipse(QRectF(5, 5.5, 1.5, 1.5));
    p.drawEllipse(QRectF(10, 5.5, 1.5, 1.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBlue, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(4, 7, 8, 5), 200 * 16, 140 * 16);
}

// A face outline with its stretched copy: the deformation made stronger.
void DrawExaggerate(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x90, 0x90, 0x9a), 1.0));
    p.drawEllipse(QPointF(6, 8.5), 3.2, 4.2);
    p.setPen(QPen(kRed, 1.4));
    p.drawEllipse(QPointF(9, 8), 5.6, 6.6);
    p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 8), QPointF(12.5, 4));
    ArrowHead(p, QPointF(13.2, 3.3), 0.7071, -0.7071, 2.4, kInk);
}

// An eye over a half-deformed picture: look at the original.
void DrawViewOriginal(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kSkin);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(kPaper);
    QPainterPath eye;
    eye.moveTo(2.5, 8);
    eye.quadTo(8, 2.5, 13.5, 8);
    eye.quadTo(8, 13.5, 2.5, 8);
    p.drawPath(eye);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8, 8), 0.9, 0.9);
}

void DrawVideo(QPainter& p)
{
    p.setPen(Ink());
    p.setBrush(kInk);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2.5 + i * 3.2, 3.3, 1.6, 1.2));
        p.drawRect(QRectF(2.5 + i * 3.2, 11.5, 1.6, 1.2));
    }
    p.setBrush(kSkin);
    p.drawRect(QRectF(2.5, 5.5, 5, 5));
    p.setBrush(QColor(0xff, 0xe0, 0x60));
    p.drawRect(QRectF(8.5, 5.5, 5, 5));
    p.setBrush(kInk);
    p.drawEllipse(QPointF(4.2, 7.3), 0.5, 0.5);
    p.drawEllipse(QPointF(5.8, 7.3), 0.5, 0.5);
    p.drawEllipse(QPointF(10.0, 7.0), 0.8, 0.9);
    p.drawEllipse(QPointF(12.2, 7.6), 0.4, 0.4);
}

// Draws a toolbar picture into any square, greyed for disabled buttons.
class ToolbarIconEngine : public QIconEngine {
public:
    explicit ToolbarIconEngine(int commandId) : m_commandId(commandId) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const QSize device(qMax(1, qRound(size.width() * scale)), qMax(1, qRound(size.height() * scale)));
        QImage image(device, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(device.width() / 16.0, device.height() / 16.0);
            DrawToolbarPicture(painter, m_commandId);
        }
        if (mode == QIcon::Disabled)
            Grey(image);
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new ToolbarIconEngine(m_commandId); }
    QString key() const override { return QStringLiteral("grimasso-toolbar"); }

private:
    // A disabled picture: light grey and half transparent.
    static void Grey(QImage& image)
    {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(line[x]);
                if (alpha == 0)
                    continue;
                const int grey = 128 + qGray(line[x]) / 3;  // premultiplied values stay below alpha
                const int faded = alpha / 2;
                const int value = grey * faded / 255;
                line[x] = qRgba(value, value, value, faded);
            }
        }
    }

    int m_commandId;
};

}  // namespace

bool DrawToolbarPicture(QPainter& painter, int commandId)
{
    painter.save();
    bool drawn = true;
    switch (commandId) {
    case ID_FILE_OPEN: DrawOpen(painter); break;
    case ID_FILE_SAVE: DrawSave(painter); break;
    case ID_EDIT_CUT: DrawCut(painter); break;
    case ID_EDIT_COPY: DrawCopy(painter); break;
    case ID_EDIT_PASTE: DrawPaste(painter); break;
    case ID_EDIT_UNDO: DrawUndo(painter); break;
    case ID_FILE_PRINT: DrawPrint(painter); break;
    case ID_APP_ABOUT: DrawAbout(painter); break;
    case ID_CONTEXT_HELP: DrawContextHelp(painter); break;
    case ID_MOVE_POINT: DrawMovePoint(painter); break;
    case ID_MOVE_OPTIONS: DrawMoveOptions(painter); break;
    case ID_ENLARGE: DrawEnlarge(painter); break;
    case ID_SHRINK: DrawShrink(painter); break;
    case ID_ROTATE: DrawRotate(painter); break;
    case ID_SMOOTH: DrawSmooth(painter); break;
    case ID_CREATE_VIDEO: DrawVideo(painter); break;
    case ID_FACE_CARICATURE: DrawFace(painter); break;
    case ID_EXAGGERATE: DrawExaggerate(painter); break;
    case ID_VIEW_ORIGINAL: DrawViewOriginal(painter); break;
    default: drawn = false; break;
    }
    painter.restore();
    return drawn;
}

QIcon ToolbarIcon(int commandId)
{
    static constexpr int kPictured[] = {ID_FILE_OPEN,   ID_FILE_SAVE,  ID_EDIT_CUT,     ID_EDIT_COPY,
                                        ID_EDIT_PASTE,  ID_EDIT_UNDO,  ID_FILE_PRINT,   ID_APP_ABOUT,
                                        ID_CONTEXT_HELP, ID_MOVE_POINT, ID_MOVE_OPTIONS, ID_ENLARGE,
                                        ID_SHRINK,      ID_ROTATE,     ID_SMOOTH,       ID_CREATE_VIDEO,
                                        ID_FACE_CARICATURE, ID_EXAGGERATE, ID_VIEW_ORIGINAL};
    for (int pictured : kPictured) {
        if (pictured == commandId)
            return QIcon(new ToolbarIconEngine(commandId));
    }
    return QIcon();
}

QIcon ApplicationIcon()
{
    // The installed icon's own renderings, embedded, so that the window shows
    // exactly what the desktop's menus show.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/grimasso/icons/grimasso-%1.png").arg(size), QSize(size, size));
    return icon;
}
