#pragma once
// Shared by the tool tests: a picture opened in the editor harness, mouse input
// sent to a view's client area, a warp field built from the same picture to
// replay what a gesture should have done, and what the screen really shows.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <vector>

#include "DocumentTestSupport.h"

namespace tooltest {

using doctest::EditorHarness;

// A picture whose neighbouring pixels differ, opened as a document.
struct OpenedPicture {
    CGrimassoDoc* document = nullptr;
    CGrimassoView* view = nullptr;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rows;

    // A warp field holding the same picture as the document had when opened.
    std::unique_ptr<CWarpField> FreshField(int radius = CGrimassoDoc::kInitialRadius) const
    {
        PixelBuffer pixels = PixelBuffer::Allocate(rows.size(), false);
        std::copy(rows.begin(), rows.end(), pixels.data());
        return std::make_unique<CWarpField>(width, height, std::move(pixels), radius);
    }
    // A client-area point at zoom 1 without scrolling, as a picture point,
    // clamped into the picture the way the view clamps.
    QPoint PicturePointAtZoom1(QPoint device) const
    {
        const int x = std::clamp(device.x(), 0, width - 1);
        const int downward = std::clamp(device.y(), 0, height - 1);
        return QPoint(x, height - 1 - downward);
    }
};

inline OpenedPicture OpenPattern(EditorHarness& editor, const QTemporaryDir& folder, int width, int height)
{
    static int counter = 0;
    OpenedPicture opened;
    opened.width = width;
    opened.height = height;
    opened.rows = testpictures::Pattern24(width, height);
    const QString path = folder.filePath(QStringLiteral("tool%1.bmp").arg(counter++));
    doctest::WritePicture(path.toStdString(), width, height, opened.rows);
    CDocument* document = editor.Manager().OpenDocumentFile(path);
    if (!document || document->GetViews().isEmpty())
        return opened;
    opened.document = static_cast<CGrimassoDoc*>(document);
    opened.view = static_cast<CGrimassoView*>(document->GetViews().constFirst());
    // Room for the whole picture, so every pixel of it is on the screen.
    if (QWidget* frame = opened.view->GetParentFrame())
        frame->resize(frame->size().expandedTo(QSize(width + 80, height + 80)));
    QCoreApplication::processEvents();
    return opened;
}

// Mouse input as the view's client area receives it.
inline void SendMouse(CGrimassoView* view, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held)
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

inline std::vector<MapEntry> MapOf(const CWarpField& field)
{
    return std::vector<MapEntry>(field.Map(), field.Map() + static_cast<std::size_t>(field.Width()) * field.Height());
}
inline std::vector<std::uint8_t> PictureOf(const CWarpField& field)
{
    return std::vector<std::uint8_t>(field.Deformed(),
                                     field.Deformed() + static_cast<std::size_t>(field.RowBytesOfPicture()) * field.Height());
}

// What the window system last received from the view's client area: the
// backing store as it stands, not a fresh paint, so a part that should have
// been repainted and was not still shows its old pixels.
inline QImage ScreenOf(CGrimassoView* view)
{
    QWidget* top = view->window();
    const QPoint origin = view->viewport()->mapTo(top, QPoint(0, 0));
    QScreen* screen = top->windowHandle() ? top->windowHandle()->screen() : QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(top->winId(), origin.x(), origin.y(), view->viewport()->width(),
                                            view->viewport()->height());
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

// The first client-area point (zoom 1, no scrolling) whose pixel on the screen
// differs from the document's deformed picture; (-1, -1) when all agree.
inline QPoint FirstScreenMismatch(CGrimassoView* view, const CWarpField& field)
{
    const QImage screen = ScreenOf(view);
    const int width = std::min(field.Width(), screen.width());
    const int height = std::min(field.Height(), screen.height());
    const std::uint8_t* rows = field.Deformed();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows + static_cast<std::size_t>(field.Height() - 1 - y) * field.RowBytesOfPicture();
        for (int x = 0; x < width; ++x) {
            const QRgb shown = screen.pixel(x, y);
            if (qRed(shown) != row[3 * x + 2] || qGreen(shown) != row[3 * x + 1] || qBlue(shown) != row[3 * x])
                return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
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

// Whether the view offers command id, and whether it shows it checked.
inline bool Offered(CGrimassoView* view, int id)
{
    CCmdUI ui(id);
    view->OnUpdateCmdUI(ui);
    return ui.m_bEnabled;
}
inline bool Checked(CGrimassoView* view, int id)
{
    CCmdUI ui(id);
    view->OnUpdateCmdUI(ui);
    return ui.m_bCheckSet && ui.m_bChecked;
}
inline bool UndoOffered(CGrimassoView* view)
{
    return Offered(view, ID_EDIT_UNDO);
}

// Runs action with the modal dialog once it is open (inside its event loop).
template <typename Dialog>
void WhenDialogOpens(std::function<void(Dialog&)> action)
{
    doctest::OnNextModalDialog([action](QDialog* dialog) {
        auto* wanted = qobject_cast<Dialog*>(dialog);
        QVERIFY2(wanted, "a different dialog opened");
        action(*wanted);
    });
}

}  // namespace tooltest
