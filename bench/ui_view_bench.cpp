// SPDX-License-Identifier: GPL-3.0-or-later
// What the user waits for while deforming a 24-megapixel picture in a view of
// 1280 x 800 at zoom 1: one pointer move of a move-point drag, one slider
// change of the rotate dialog, one pointer move that moves the region circle,
// each including the repaint the view does before the event returns; besides,
// a whole drag with its restore point, and a repaint of the whole view. The
// counter budget_ratio is the mean time of one event over the 16 ms of a
// 60 Hz frame: below 1 the tool keeps up with the screen.
//
// The *Quarter cases work at radius 1000 on the same picture seen at zoom 1/4
// (nearly all of it in the window), each event with its repaint; their counter
// frame_ratio is the mean time of one event over the 40 ms allowed for it.
//
// FittedDragRedraw fits the picture into a client area of W x 1000 ("Ganzes
// Bild": zoom 1/4 at W = 1600, drawn from the halved copies pixel for pixel;
// at W = 1400 a zoom of 0.233, smoothed between copies) and splits each
// pointer move of a move-point drag into the warp field's call (up to the
// change it reports) and the redraw after it (bringing the copies up to date
// for the changed box and repainting it); redraw_ratio is the mean redraw over
// the 16 ms of a frame (redraw_cpu_ratio the same in CPU time of all threads,
// which a busy machine does not inflate).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/EditorDialogs.h"
#include "document/GrimassoDoc.h"
#include "framework/CommandIds.h"
#include "framework/MessageBox.h"
#include "image/DibImage.h"
#include "view/GrimassoView.h"
#include "view/EnlargeDialog.h"
#include "view/RotateDialog.h"
#include "view/ShrinkDialog.h"

namespace {

constexpr int kPictureWidth = 6000;
constexpr int kPictureHeight = 4000;
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;
constexpr double kBudgetSeconds = 0.016;

// CPU seconds the process spent so far, over all its threads: on a busy
// machine a fairer measure of work than the wall clock.
double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A picture file with a smooth colour pattern, written once for all benchmarks.
std::string PicturePath()
{
    static std::string path;
    if (path.empty()) {
        path = "/tmp/grimasso-ui-bench-" + std::to_string(QCoreApplication::applicationPid()) + ".bmp";
        CDibImage image;
        image.SetHeader(kPictureWidth, kPictureHeight, 24, nullptr);
        const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(kPictureWidth, 24));
        image.m_pBits = PixelBuffer::Allocate(rowBytes * kPictureHeight, true);
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x) {
                std::uint8_t* p = image.m_pBits.data() + rowBytes * y + 3 * static_cast<std::size_t>(x);
                p[0] = static_cast<std::uint8_t>(x);
                p[1] = static_cast<std::uint8_t>(y);
                p[2] = static_cast<std::uint8_t>((x >> 4) ^ (y >> 4));
            }
        image.Write(path);
    }
    return path;
}

// The document and a shown view whose client area is 1280 x 800 at zoom 1,
// scrolled into the middle of the picture.
struct Editor {
    CGrimassoDoc document{EditorDialogs()};
    std::unique_ptr<CGrimassoView> view;
    // When the picture last reported a change since this was reset: the end
    // of the warp field's call, before the view's own slot runs (wall clock
    // and the CPU time of the whole process, all threads).
    std::optional<std::chrono::steady_clock::time_point> changedAt;
    double changedAtCpu = 0.0;

    Editor()
    {
        if (!document.OnOpenDocument(QString::fromStdString(PicturePath())))
            return;
        // Connected before the view connects its own repaint.
        QObject::connect(&document, &CGrimassoDoc::pictureChanged, [this] {
            if (!changedAt) {
                changedAt = std::chrono::steady_clock::now();
                changedAtCpu = ProcessCpuSeconds();
            }
        });
        view = std::make_unique<CGrimassoView>(&document);
        view->OnInitialUpdate();
        view->show();
        view->SetZoom(1.0);  // a large picture opens fitted; these cases work at zoom 1
        QCoreApplication::processEvents();  // the scroll bars of zoom 1 in place
        const QSize chrome = view->size() - view->viewport()->size();
        view->resize(QSize(kViewWidth, kViewHeight) + chrome);
        QCoreApplication::processEvents();
        view->OnUpdate(nullptr, 0);
        view->horizontalScrollBar()->setValue((kPictureWidth - kViewWidth) / 2);
        view->verticalScrollBar()->setValue((kPictureHeight - kViewHeight) / 2);
        QCoreApplication::processEvents();
    }
    bool Ready() const { return view && view->viewport()->size() == QSize(kViewWidth, kViewHeight); }

    // Sets the zoom, keeps the client area at 1280 x 800 and scrolls to the middle.
    void ZoomTo(double zoom)
    {
        view->SetZoom(zoom);
        QCoreApplication::processEvents();  // the scroll bars of the new zoom in place
        const QSize chrome = view->size() - view->viewport()->size();
        view->resize(QSize(kViewWidth, kViewHeight) + chrome);
        QCoreApplication::processEvents();
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
        QCoreApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QWidget* area = view->viewport();
        QMouseEvent event(type, QPointF(at), QPointF(area->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(area, &event);
    }
};

// Made at first use and taken down in main, while the application still exists.
std::unique_ptr<Editor> g_editor;
Editor& TheEditor()
{
    if (!g_editor)
        g_editor = std::make_unique<Editor>();
    return *g_editor;
}

// Mean seconds of one iteration as a fraction of the frame budget.
void ReportBudget(benchmark::State& state, std::chrono::steady_clock::duration spent)
{
    if (state.iterations() == 0)
        return;
    const double mean = std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations());
    state.counters["budget_ratio"] = mean / kBudgetSeconds;
}

// One move-point drag whose pointer moves round a circle of circleRadius about
// the middle of the view, angleStep radians a move, one move an iteration.
// Returns the time the moves took.
std::chrono::steady_clock::duration DragRoundTheMiddle(Editor& editor, benchmark::State& state, int circleRadius,
                                                       double angleStep)
{
    editor.view->SetToolMode(CGrimassoView::kMovePoint);
    const QPoint middle(kViewWidth / 2, kViewHeight / 2);
    editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const double angle = ++step * angleStep;
        const QPoint at = middle + QPoint(static_cast<int>(circleRadius * std::cos(angle)),
                                          static_cast<int>(circleRadius * std::sin(angle)));
        editor.Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    const auto spent = std::chrono::steady_clock::now() - start;
    editor.Send(QEvent::MouseButtonRelease, middle, Qt::LeftButton, Qt::NoButton);
    return spent;
}

// Pointer moves of a drag, a few pixels each, round a circle in the middle of the view.
void MovePointDragStep(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    editor.document.GetWarpField()->SetRadius(static_cast<std::int32_t>(state.range(0)));
    ReportBudget(state, DragRoundTheMiddle(editor, state, 150, 0.05));
}

// The first pointer move of a drag, where the gesture takes its restore point
// (a copy of the whole map), together with its press and release.
void MovePointFirstStep(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    editor.document.GetWarpField()->SetRadius(20);
    editor.view->SetToolMode(CGrimassoView::kMovePoint);
    const QPoint middle(kViewWidth / 2, kViewHeight / 2);
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const QPoint to = middle + QPoint(4, (++step % 2) ? 3 : -3);
        editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
        editor.Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        editor.Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    ReportBudget(state, std::chrono::steady_clock::now() - start);
}

// Slider changes of the rotate dialog of a region of the given radius, run
// inside the dialog's own event loop as the user's changes are.
void RotateSliderPreview(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    const int radius = static_cast<int>(state.range(0));
    editor.view->SetToolMode(CGrimassoView::kRotate);
    const QPoint middle(kViewWidth / 2, kViewHeight / 2);
    std::chrono::steady_clock::duration spent{};
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CRotateDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ran = true;
        int value = 0;
        const auto start = std::chrono::steady_clock::now();
        for (auto _ : state) {
            value = value >= 170 ? -170 : value + 7;
            dialog->AngleSlider()->setValue(value);
        }
        spent = std::chrono::steady_clock::now() - start;
        dialog->reject();
    });
    editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    editor.Send(QEvent::MouseMove, middle + QPoint(radius, 0), Qt::NoButton, Qt::LeftButton);
    editor.Send(QEvent::MouseButtonRelease, middle + QPoint(radius, 0), Qt::LeftButton, Qt::NoButton);
    if (!ran) {
        state.SkipWithError("the rotate dialog did not open");
        return;
    }
    ReportBudget(state, spent);
}

// Pointer moves of a region drag: the circle of about the given radius follows the pointer.
void RegionCircleMove(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    const int radius = static_cast<int>(state.range(0));
    editor.view->SetToolMode(CGrimassoView::kEnlarge);
    const QPoint middle(kViewWidth / 2, kViewHeight / 2);
    editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const int wobble = (++step % 7) - 3;
        editor.Send(QEvent::MouseMove, middle + QPoint(radius + wobble, wobble), Qt::NoButton, Qt::LeftButton);
    }
    ReportBudget(state, std::chrono::steady_clock::now() - start);
    // Released without moving back, the gesture ends by losing the mouse: no dialog.
    editor.view->OnCaptureLost();
}

constexpr double kLargeRadiusEventSeconds = 0.040;
constexpr double kQuarterZoom = 0.25;

void ReportFrameRatio(benchmark::State& state, std::chrono::steady_clock::duration spent)
{
    if (state.iterations() > 0)
        state.counters["frame_ratio"] =
            std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations()) / kLargeRadiusEventSeconds;
}

// Slider changes of a region dialog for a circle of 1000 picture pixels (250 on
// the screen at zoom 1/4) in the middle of the picture, with their repaints.
void RegionSliderQuarter(benchmark::State& state, int tool)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    editor.ZoomTo(kQuarterZoom);
    editor.view->SetToolMode(tool);
    const QPoint middle(kViewWidth / 2, kViewHeight / 2);
    // The enlarge tool's circle is the region at factor 1; factor 2 doubles it to 1000.
    const int dragged = static_cast<int>((tool == CGrimassoView::kEnlarge ? 500 : 1000) * kQuarterZoom);
    std::chrono::steady_clock::duration spent{};
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QSlider* slider = nullptr;
        int first = 0, second = 0;
        if (auto* rotate = qobject_cast<CRotateDialog*>(dialog)) {
            rotate->GainSlider()->setValue(300);  // amplification 3
            slider = rotate->AngleSlider();
            first = 90;
            second = -120;
        } else if (auto* enlarge = qobject_cast<CEnlargeDialog*>(dialog)) {
            slider = enlarge->SizeSlider();
            first = 200;
            second = 199;
        } else if (auto* shrink = qobject_cast<CShrinkDialog*>(dialog)) {
            slider = shrink->SizeSlider();
            first = 30;
            second = 60;
        }
        if (!slider)
            return;
        ran = true;
        int step = 0;
        const auto start = std::chrono::steady_clock::now();
        for (auto _ : state)
            slider->setValue(++step % 2 ? first : second);
        spent = std::chrono::steady_clock::now() - start;
        static_cast<QDialog*>(dialog)->reject();
    });
    editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    editor.Send(QEvent::MouseMove, middle + QPoint(dragged, 0), Qt::NoButton, Qt::LeftButton);
    editor.Send(QEvent::MouseButtonRelease, middle + QPoint(dragged, 0), Qt::LeftButton, Qt::NoButton);
    editor.ZoomTo(1.0);
    if (!ran) {
        state.SkipWithError("the region dialog did not open");
        return;
    }
    ReportFrameRatio(state, spent);
}

void RotateSliderQuarter(benchmark::State& state) { RegionSliderQuarter(state, CGrimassoView::kRotate); }
void ShrinkSliderQuarter(benchmark::State& state) { RegionSliderQuarter(state, CGrimassoView::kShrink); }
void EnlargeSliderQuarter(benchmark::State& state) { RegionSliderQuarter(state, CGrimassoView::kEnlarge); }

// Pointer moves of a move-point drag at radius 1000 that stay within 0.6 x
// radius of the anchor, so every move previews and nothing is committed.
void MovePointDragStepQuarter(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    editor.ZoomTo(kQuarterZoom);
    editor.document.GetWarpField()->SetRadius(1000);
    ReportFrameRatio(state, DragRoundTheMiddle(editor, state, 40, 0.1));
    editor.document.GetWarpField()->SetRadius(20);
    editor.ZoomTo(1.0);
}

// Pointer moves of a move-point drag on the picture fitted into a client area
// of state.range(1) x 1000, at move-point radius state.range(0).
void FittedDragRedraw(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    CGrimassoView& view = *editor.view;
    // The whole client area, scroll bars or not, becomes W x 1000.
    const QSize chrome = view.size() - view.maximumViewportSize();
    view.resize(QSize(static_cast<int>(state.range(1)), 1000) + chrome);
    QCoreApplication::processEvents();
    view.OnCmdMsg(ID_ZOOM_WHOLE);
    QCoreApplication::processEvents();
    view.viewport()->repaint();  // the halved copies are made at the first paint
    editor.document.GetWarpField()->SetRadius(static_cast<std::int32_t>(state.range(0)));
    view.SetToolMode(CGrimassoView::kMovePoint);

    const QPoint middle(view.viewport()->width() / 2, view.viewport()->height() / 2);
    editor.Send(QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    std::chrono::steady_clock::duration warp{}, redraw{};
    double warpCpu = 0.0, redrawCpu = 0.0;
    int step = 0;
    for (auto _ : state) {
        const double angle = ++step * 0.1;
        const QPoint at = middle + QPoint(static_cast<int>(40 * std::cos(angle)), static_cast<int>(40 * std::sin(angle)));
        editor.changedAt.reset();
        const double startCpu = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        editor.Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        const auto end = std::chrono::steady_clock::now();
        const double endCpu = ProcessCpuSeconds();
        const auto changed = editor.changedAt.value_or(end);
        const double changedCpu = editor.changedAt ? editor.changedAtCpu : endCpu;
        warp += changed - start;
        redraw += end - changed;
        warpCpu += changedCpu - startCpu;
        redrawCpu += endCpu - changedCpu;
    }
    editor.Send(QEvent::MouseButtonRelease, middle, Qt::LeftButton, Qt::NoButton);
    if (state.iterations() > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["zoom"] = view.GetZoom();
        state.counters["warp_ms"] = std::chrono::duration<double, std::milli>(warp).count() / n;
        state.counters["redraw_ms"] = std::chrono::duration<double, std::milli>(redraw).count() / n;
        state.counters["redraw_ratio"] = std::chrono::duration<double>(redraw).count() / n / kBudgetSeconds;
        state.counters["warp_cpu_ms"] = warpCpu * 1000.0 / n;
        state.counters["redraw_cpu_ms"] = redrawCpu * 1000.0 / n;
        state.counters["redraw_cpu_ratio"] = redrawCpu / n / kBudgetSeconds;
    }
    editor.document.GetWarpField()->SetRadius(20);
    editor.ZoomTo(1.0);
}

// For comparison: a repaint of the whole client area.
void WholeViewRepaint(benchmark::State& state)
{
    Editor& editor = TheEditor();
    if (!editor.Ready()) {
        state.SkipWithError("the view could not be set up");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        editor.view->viewport()->repaint();
    ReportBudget(state, std::chrono::steady_clock::now() - start);
}

}  // namespace

BENCHMARK(MovePointDragStep)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MovePointFirstStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RotateSliderPreview)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RegionCircleMove)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RotateSliderQuarter)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(ShrinkSliderQuarter)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(EnlargeSliderQuarter)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(MovePointDragStepQuarter)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(FittedDragRedraw)->Args({20, 1600})->Args({1000, 1600})->Args({20, 1400})->Args({1000, 1400})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WholeViewRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // A message box would wait for an answer nobody gives.
    SetMessageBoxHook([](const QString& text, MessageButtons, MessageIcon) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return MessageResult::Ok;
    });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_editor.reset();
    std::remove(PicturePath().c_str());
    return 0;
}
