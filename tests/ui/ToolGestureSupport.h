#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the tool tests: a picture opened in the editor harness, mouse input
// sent to a view's client area, a warp field replaying what a gesture should
// have done, and what the screen really shows.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <vector>

#include "DocumentTestSupport.h"

namespace tooltest {

using doctest::EditorHarness;

inline std::vector<MapEntry> MapOf(const CWarpField& field)
{
    return std::vector<MapEntry>(field.Map(), field.Map() + static_cast<std::size_t>(field.Width()) * field.Height());
}
inline std::vector<std::uint8_t> PictureOf(const CWarpField& field)
{
    return std::vector<std::uint8_t>(field.Deformed(),
                                     field.Deformed() + static_cast<std::size_t>(field.RowBytesOfPicture()) * field.Height());
}

// A document with a picture whose neighbouring pixels differ, in a window
// large enough to show all of it at zoom 1.
struct OpenedPicture {
    CGrimassoDoc* document = nullptr;
    CGrimassoView* view = nullptr;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rows;

    const CWarpField& Field() const { return *document->GetWarpField(); }
    std::unique_ptr<CWarpField> FreshField(int radius = CGrimassoDoc::kInitialRadius) const
    {
        PixelBuffer pixels = PixelBuffer::Allocate(rows.size(), false);
        std::copy(rows.begin(), rows.end(), pixels.data());
        return std::make_unique<CWarpField>(width, height, std::move(pixels), radius);
    }
    // A client-area point at zoom 1 without scrolling as a picture point,
    // clamped into the picture.
    QPoint At(QPoint device) const
    {
        return QPoint(std::clamp(device.x(), 0, width - 1), height - 1 - std::clamp(device.y(), 0, height - 1));
    }
    // A fresh field after the move-point drag along the client-area points path.
    std::unique_ptr<CWarpField> Dragged(const std::vector<QPoint>& path, int radius = CGrimassoDoc::kInitialRadius) const
    {
        auto field = FreshField(radius);
        std::int32_t ax = At(path.front()).x(), ay = At(path.front()).y();
        field->BeginDeformation(ModeMovePoint);
        for (std::size_t i = 1; i < path.size(); ++i)
            field->MovePointLive(ax, ay, At(path[i]).x(), At(path[i]).y());
        field->EndDeformation();
        return field;
    }
};

inline OpenedPicture OpenPattern(EditorHarness& editor, const QTemporaryDir& folder, int width, int height)
{
    static int counter = 0;
    OpenedPicture opened{nullptr, nullptr, width, height, testpictures::Pattern24(width, height)};
    const QString path = folder.filePath(QStringLiteral("tool%1.bmp").arg(counter++));
    doctest::WritePicture(path.toStdString(), width, height, opened.rows);
    CDocument* document = editor.Manager().OpenDocumentFile(path);
    if (!document || document->GetViews().isEmpty())
        return opened;
    opened.document = static_cast<CGrimassoDoc*>(document);
    opened.view = static_cast<CGrimassoView*>(document->GetViews().constFirst());
    if (QWidget* frame = opened.view->GetParentFrame())
        frame->resize(frame->size().expandedTo(QSize(width + 80, height + 80)));
    QCoreApplication::processEvents();
    return opened;
}

// Mouse input as the view's client area receives it.
inline void SendMouse(CGrimassoView* view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QWidget* area = view->viewport();
    QMouseEvent event(type, QPointF(at), QPointF(area->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(area, &event);
}
inline void Press(CGrimassoView* view, QPoint at)
{
    SendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
inline void MoveTo(CGrimassoView* view, QPoint at, bool leftHeld = true)
{
    SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, leftHeld ? Qt::LeftButton : Qt::NoButton);
}
inline void Release(CGrimassoView* view, QPoint at)
{
    SendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
inline void Drag(CGrimassoView* view, const std::vector<QPoint>& path)
{
    Press(view, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        MoveTo(view, path[i]);
    Release(view, path.back());
}

// The client-area points (zoom 1, no scrolling) whose pixels in the window
// system's copy of the window differ from the deformed picture. The copy is the
// backing store as it stands, not a fresh paint, so a part that should have
// been repainted and was not still shows its old pixels.
inline std::vector<QPoint> ScreenMismatches(CGrimassoView* view, const CWarpField& field)
{
    QWidget* top = view->window();
    const QPoint origin = view->viewport()->mapTo(top, QPoint(0, 0));
    const QImage screen = top->windowHandle()->screen()
                              ->grabWindow(top->winId(), origin.x(), origin.y(), view->viewport()->width(),
                                           view->viewport()->height())
                              .toImage();
    std::vector<QPoint> mismatches;
    for (int y = 0; y < std::min(field.Height(), screen.height()); ++y) {
        const std::uint8_t* row = field.Deformed() + static_cast<std::size_t>(field.Height() - 1 - y) * field.RowBytesOfPicture();
        for (int x = 0; x < std::min(field.Width(), screen.width()); ++x)
            if (screen.pixel(x, y) != qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]))
                mismatches.push_back(QPoint(x, y));
    }
    return mismatches;
}
// The first of them, or (-1, -1) when the screen shows the picture.
inline QPoint FirstScreenMismatch(CGrimassoView* view, const CWarpField& field)
{
    const std::vector<QPoint> mismatches = ScreenMismatches(view, field);
    return mismatches.empty() ? QPoint(-1, -1) : mismatches.front();
}

// True when a modal dialog opened while action ran (it is closed again at once).
inline bool OpensADialog(const std::function<void()>& action)
{
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            static_cast<QDialog*>(modal)->reject();
        }
    });
    action();
    QCoreApplication::processEvents();
    return opened;
}

// The enabled and checked state the view gives command id.
inline CCmdUI StateOf(CGrimassoView* view, int id)
{
    CCmdUI ui(id);
    view->OnUpdateCmdUI(ui);
    return ui;
}

// Runs action with the modal dialog once it is open (inside its event loop).
template <typename Dialog>
void WhenDialogOpens(std::function<void(Dialog&)> action)
{
    doctest::OnNextModalDialog([action](QDialog* dialog) {
        auto* wanted = qobject_cast<Dialog*>(dialog);
        if (!wanted) {
            dialog->reject();
            QFAIL("a different dialog opened");
        }
        action(*wanted);
    });
}

}  // namespace tooltest
