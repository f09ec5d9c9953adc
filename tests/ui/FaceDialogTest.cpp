// SPDX-License-Identifier: GPL-3.0-or-later
// "Gesicht karikieren" in the editor on real portraits: the face marks while the
// dialog is open, live sliders, Abbrechen restoring the map exactly, OK as one
// step that Undo takes back, and "Nächstes Gesicht" on a photo of two people.
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>
#include <filesystem>

#include "ToolGestureSupport.h"
#include "face/FaceFinder.h"
#include "face/FaceGesture.h"
#include "session/PictureSession.h"
#include "view/FaceCaricatureDialog.h"

using namespace tooltest;

namespace {

// Runs action on the face dialog once it is open (the busy window of the
// search may come first), waiting up to half a minute for the model to load.
void OnFaceDialog(std::function<void(CFaceCaricatureDialog*)> action)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
        auto* dialog = qobject_cast<CFaceCaricatureDialog*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 30000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog)
            action(dialog);
    });
    timer->start();
}

// The portrait on the left and, smaller and top-aligned, again on the right, as
// a new bitmap: the left face is the larger one, found first.
QString TwoPeople(const QTemporaryDir& folder)
{
    auto portrait = PictureSession::Open(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
    const int side = portrait->Width(), small = side * 4 / 5;
    auto smaller = portrait->Rescaled(small, small);
    const int width = 2 * side, height = side;
    const std::size_t to = RowBytes(width, 24);
    std::vector<std::uint8_t> both(to * height, 0xff);
    auto place = [&](const PictureSession& picture, int left) {
        BITMAPINFOHEADER header;
        const std::uint8_t* rows = nullptr;
        picture.GetPicture(header, rows);
        const std::size_t from = RowBytes(header.biWidth, 24);
        for (int y = 0; y < header.biHeight; ++y)  // bottom-up: the top rows are the last
            std::copy(rows + y * from, rows + y * from + 3 * header.biWidth,
                      both.data() + (y + height - header.biHeight) * to + 3 * left);
    };
    place(*portrait, 0);
    place(*smaller, side);
    const QString path = folder.filePath(QStringLiteral("two.bmp"));
    doctest::WritePicture(path.toStdString(), width, height, both);
    return path;
}

}  // namespace

class FaceDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!std::filesystem::exists(FaceFinder::kDefaultModelPath))
            QSKIP("libdlib-data is not installed");
    }

    void cancelRestoresExactlyAndOkIsOneUndoStep()
    {
        EditorHarness editor;
        CDocument* opened =
            editor.Manager().OpenDocumentFile(QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp"));
        QVERIFY(opened && !opened->GetViews().isEmpty());
        auto* document = static_cast<CGrimassoDoc*>(opened);
        auto* view = static_cast<CGrimassoView*>(document->GetViews().constFirst());
        const std::vector<MapEntry> start = MapOf(*document->GetWarpField());

        for (const bool confirm : {false, true}) {
            bool markedWhileOpen = false, changedLive = false;
            OnFaceDialog([&](CFaceCaricatureDialog* dialog) {
                markedWhileOpen = document->GetShownFace() != nullptr;
                dialog->SliderOf(FaceFeature::Eyes)->setValue(180);
                dialog->FieldOf(FaceFeature::Head)->setValue(130);
                dialog->SliderOf(FaceFeature::Chin)->setValue(60);
                QCOMPARE(dialog->FieldOf(FaceFeature::Eyes)->value(), 180);  // the field follows the slider
                changedLive = MapOf(*document->GetWarpField()) != start;
                confirm ? dialog->accept() : dialog->reject();
            });
            view->OnCmdMsg(ID_FACE_CARICATURE);
            QVERIFY(markedWhileOpen);
            QVERIFY(changedLive);
            QVERIFY(document->GetShownFace() == nullptr);
            QCOMPARE(document->IsModified(), confirm);
            QCOMPARE(MapOf(*document->GetWarpField()) == start, !confirm);
        }
        QVERIFY(editor.messages.isEmpty());

        // OK left exactly the composition of the steps on the start map.
        auto reference = PictureSession::Open(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
        BITMAPINFOHEADER header;
        const std::uint8_t* rows = nullptr;
        reference->GetPicture(header, rows);
        const auto faces = FaceFinder::Shared().Find(header.biWidth, header.biHeight, rows, RowBytes(header.biWidth, 24));
        QCOMPARE(faces.size(), std::size_t{1});
        FaceSettings settings;
        settings.Set(FaceFeature::Eyes, 180);
        settings.Set(FaceFeature::Head, 130);
        settings.Set(FaceFeature::Chin, 60);
        reference->BeginFace();
        reference->PreviewFace(FaceGestureSteps(faces.front(), settings, header.biWidth, header.biHeight));
        reference->CommitFace();
        QVERIFY(MapOf(*document->GetWarpField()) == MapOf(reference->Field()));

        view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(MapOf(*document->GetWarpField()) == start);
    }

    void nextFaceMovesTheMarksAndTheCaricature()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        CDocument* opened = editor.Manager().OpenDocumentFile(TwoPeople(folder));
        QVERIFY(opened && !opened->GetViews().isEmpty());
        auto* document = static_cast<CGrimassoDoc*>(opened);
        auto* view = static_cast<CGrimassoView*>(document->GetViews().constFirst());
        const std::vector<MapEntry> start = MapOf(*document->GetWarpField());
        const int half = document->GetPictureSize().width() / 2;

        double firstLeft = -1, secondLeft = -1;
        bool onlyRightChanged = false;
        OnFaceDialog([&](CFaceCaricatureDialog* dialog) {
            QVERIFY(dialog->NextFaceButton()->isEnabled());
            firstLeft = document->GetShownFace()->box.left;
            dialog->SliderOf(FaceFeature::Eyes)->setValue(200);
            dialog->NextFaceButton()->click();
            secondLeft = document->GetShownFace()->box.left;
            // The first face is put back, the second one carries the eyes now.
            const std::vector<MapEntry> now = MapOf(*document->GetWarpField());
            const int width = document->GetPictureSize().width();
            bool leftSame = true, rightChanged = false;
            for (std::size_t i = 0; i < now.size(); ++i) {
                const bool same = now[i] == start[i];
                if (static_cast<int>(i % width) < half)
                    leftSame = leftSame && same;
                else
                    rightChanged = rightChanged || !same;
            }
            onlyRightChanged = leftSame && rightChanged;
            dialog->accept();
        });
        view->OnCmdMsg(ID_FACE_CARICATURE);
        QVERIFY(firstLeft >= 0 && firstLeft < half);
        QVERIFY(secondLeft >= half);
        QVERIFY(onlyRightChanged);
        QVERIFY(document->IsModified());
    }

    void pictureWithoutAFaceSaysSoAndChangesNothing()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        const std::vector<MapEntry> start = MapOf(picture.Field());
        picture.view->OnCmdMsg(ID_FACE_CARICATURE);
        QCOMPARE(editor.messages, QStringList{QStringLiteral("Im Bild wurde kein Gesicht gefunden.")});
        QVERIFY(MapOf(picture.Field()) == start);
        QVERIFY(!picture.document->IsModified());
        QVERIFY(!picture.document->GetSession()->CanUndo());
    }
};

QTEST_MAIN(FaceDialogTest)
#include "FaceDialogTest.moc"
