// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/FaceMarks.h"

#include <QPainter>
#include <QPen>

#include "face/FoundFace.h"

void DrawFaceMarks(QPainter& painter, const FoundFace& face, double zoom)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Light lines with a dark border read on dark and light skin alike.
    QPen dark(QColor(0, 0, 0, 160), 3);
    QPen light(QColor(80, 255, 120), 1);
    const QRectF box(face.box.left * zoom, face.box.top * zoom, face.box.width * zoom, face.box.height * zoom);
    for (const QPen& pen : {dark, light}) {
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
    }
    painter.setPen(QPen(QColor(0, 0, 0, 160), 1));
    painter.setBrush(QColor(80, 255, 120));
    // Points at the centre of their pixel.
    for (const FacePoint& point : face.points)
        painter.drawEllipse(QPointF((point.x + 0.5) * zoom, (point.y + 0.5) * zoom), 2.0, 2.0);
    painter.restore();
}
