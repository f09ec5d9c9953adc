// SPDX-License-Identifier: GPL-3.0-or-later
// The picture document: opening every format, failures and their messages,
// Save As with its endings and the JPEG settings, Copy, paste as a new
// picture, and Scale into a new window.
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "DocumentTestSupport.h"
#include "image/CodecChoice.h"
#include "image/qt/Clipboard.h"
#include "framework/DialogButtons.h"
#include "framework/MessageBox.h"
#include "view/JpegDialog.h"
#include "view/ScaleDialog.h"

using namespace doctest;
using testpictures::Pattern24;

namespace {

const QString kLoadFailed = QStringLiteral("Beim Laden der Datei ist ein Fehler aufgetreten");
const QString kSaveFailed = QStringLiteral("Beim Speichern der Datei ist ein Fehler aufgetreten");

CGrimassoDoc* Open(EditorHarness& editor, const QString& path)
{
    return static_cast<CGrimassoDoc*>(editor.Manager().OpenDocumentFile(path));
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True when the JPEG file starts a progressive frame (SOF2) rather than a baseline one (SOF0).
bool IsProgressiveJpeg(const QByteArray& bytes)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) != 0xFF)
            continue;
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (marker == 0xC2)
            return true;
        if (marker == 0xC0 || marker == 0xC1)
            return false;
    }
    return false;
}

// The eleven fields of the BITMAPINFOHEADER at the start of a clipboard block.
QList<qint64> BlockHeaderFields(const QByteArray& block)
{
    auto u = [&block](int at, int size) {
        qint64 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value * 256 + static_cast<unsigned char>(block.at(at + i));
        return value;
    };
    if (block.size() < 40)
        return {};
    return {u(0, 4), u(4, 4), u(8, 4), u(12, 2), u(14, 2), u(16, 4), u(20, 4), u(24, 4), u(28, 4), u(32, 4), u(36, 4)};
}

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QApplication::clipboard()->clear(); }

    void opensEveryFormatAsTwentyFourBitWarpField();
    void upperCaseEndingOpensWithItsCodec();
    void picturesOpenByTheirContentWhateverTheirName();
    void fileThatIsNoPictureShowsTheLoadMessage();
    void brokenFileShowsTheLoadMessageAndLeavesNoWindow();
    void namesOutsideTheLocaleOpenAndFailuresNameTheirCause();

    void saveAsWithoutEndingWritesBitmapAndTakesTheName();
    void saveAsToUnknownEndingReportsAndWritesNothing();
    void saveAsTakesTheLongEndings();
    void saveToUnwritableFolderKeepsPathAndFlag();
    void writeProtectedFileIsNotReplaced();
    void pipeIsRefusedWithoutWaitingForAWriter();
    void cancelledJpegSettingsAbandonTheSave();
    void jpegSettingsReachTheFile();

    void copyPutsTheBlockAndPastesBackIdentical();
    void pasteWithoutPictureShowsTheLoadMessage();
    void scaleOpensNewWindowWithEverySecondPixel();
    void cancelledScaleChangesNothing();
};

void DocumentTest::opensEveryFormatAsTwentyFourBitWarpField()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const std::vector<std::uint8_t> rows = Pattern24(7, 5);
    for (const char* ending : {"bmp", "tif", "png", "jpg"}) {
        const QString path = folder.filePath(QStringLiteral("picture.%1").arg(QLatin1String(ending)));
        WritePicture(path.toStdString(), 7, 5, rows);
        CGrimassoDoc* document = Open(editor, path);
        QVERIFY2(document, ending);
        QVERIFY(document->GetWarpField());
        QCOMPARE(document->GetPictureSize(), QSize(7, 5));
        QCOMPARE(document->GetWarpField()->GetRadius(), 20);
        QVERIFY(!document->IsModified());
        QCOMPARE(document->GetTitle(), QStringLiteral("picture.%1").arg(QLatin1String(ending)));
        if (QLatin1String(ending) != QLatin1String("jpg"))
            QVERIFY2(PictureRows(document) == rows, ending);  // lossless formats come back exactly
    }
    QVERIFY(editor.messages.isEmpty());
    QCOMPARE(editor.Area()->subWindowList().size(), 4);
}

void DocumentTest::upperCaseEndingOpensWithItsCodec()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString lower = folder.filePath(QStringLiteral("shot.jpg"));
    WritePicture(lower.toStdString(), 16, 8, Pattern24(16, 8));
    const QString upper = folder.filePath(QStringLiteral("SHOT.JPG"));
    QVERIFY(QFile::rename(lower, upper));
    CGrimassoDoc* document = Open(editor, upper);
    QVERIFY(document);
    QCOMPARE(document->GetPictureSize(), QSize(16, 8));
    QVERIFY(editor.messages.isEmpty());
}

void DocumentTest::picturesOpenByTheirContentWhateverTheirName()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const std::vector<std::uint8_t> rows = Pattern24(6, 5);
    // A PNG under a JPEG name, the long endings, a bitmap without ending and a
    // TIFF under a name of no picture format: each opens with its own codec.
    struct Case {
        const char* writtenAs;
        const char* openedAs;
        bool lossless;
    };
    const Case cases[] = {{"a.png", "x.jpg", true},         {"b.jpg", "urlaub.jpeg", false},
                          {"c.jpg", "URLAUB.JPE", false},    {"d.tif", "scan.tiff", true},
                          {"e.bmp", "ohne-endung", true},    {"f.tif", "scan.dat", true}};
    for (const Case& c : cases) {
        const QString written = folder.filePath(QLatin1String(c.writtenAs));
        WritePicture(written.toStdString(), 6, 5, rows);
        const QString opened = folder.filePath(QLatin1String(c.openedAs));
        QVERIFY(QFile::rename(written, opened));
        CGrimassoDoc* document = Open(editor, opened);
        QVERIFY2(document, c.openedAs);
        QCOMPARE(document->GetPictureSize(), QSize(6, 5));
        QCOMPARE(document->GetTitle(), QLatin1String(c.openedAs));
        if (c.lossless)
            QVERIFY2(PictureRows(document) == rows, c.openedAs);
    }
    QVERIFY(editor.messages.isEmpty());
    QCOMPARE(editor.Manager().Documents().size(), qsizetype(std::size(cases)));
}

void DocumentTest::fileThatIsNoPictureShowsTheLoadMessage()
{
    EditorHarness editor;
    testpictures::ScratchDirectory scratch;
    // Neither the bytes nor the ending name a format; a GIF is one we cannot
    // read, and the message says which format it saw.
    const QString text = QtPath(scratch.Write("notizen.txt", {'E', 'i', 'n', 'k', 'a', 'u', 'f'}));
    const QString gif = QtPath(scratch.Write("bild.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}));
    const QString gifMessage = QStringLiteral(
        "Die Datei ist ein Bild im Format GIF, das Grimasso nicht öffnen kann. Bitte speichern Sie es in einem "
        "anderen Programm als JPEG, PNG, TIFF, HEIC oder WebP.");
    for (const auto& [path, message] : {std::pair{text, kLoadFailed}, std::pair{gif, gifMessage}}) {
        editor.messages.clear();
        QVERIFY(!Open(editor, path));
        QCOMPARE(editor.messages, QStringList{message});
    }
    QVERIFY(editor.Manager().Documents().isEmpty());
    QVERIFY(editor.Area()->subWindowList().isEmpty());
    QVERIFY(!editor.Manager().RecentFiles().contains(QFileInfo(text).absoluteFilePath()));
}

void DocumentTest::brokenFileShowsTheLoadMessageAndLeavesNoWindow()
{
    EditorHarness editor;
    QTemporaryDir folder;
    // A bitmap cut off in its rows, a JPEG of junk, a missing PNG.
    std::vector<std::uint8_t> truncated = testpictures::BitmapFile(testpictures::InfoHeader(20, 20, 24), {},
                                                                   Pattern24(20, 20));
    truncated.resize(200);
    testpictures::ScratchDirectory scratch;
    const QString bmp = QtPath(scratch.Write("cut.bmp", truncated));
    const QString jpg = QtPath(scratch.Write("junk.jpg", std::vector<std::uint8_t>(300, 0x42)));
    const QString missing = folder.filePath(QStringLiteral("missing.png"));
    for (const QString& path : {bmp, jpg, missing}) {
        editor.messages.clear();
        QVERIFY(!Open(editor, path));
        QCOMPARE(editor.messages, QStringList{kLoadFailed});
    }
    QVERIFY(editor.Manager().Documents().isEmpty());
    QVERIFY(editor.Area()->subWindowList().isEmpty());
    QVERIFY(!editor.Manager().RecentFiles().contains(QFileInfo(bmp).absoluteFilePath()));
}

void DocumentTest::namesOutsideTheLocaleOpenAndFailuresNameTheirCause()
{
    EditorHarness editor;
    QTemporaryDir folder;
    QStringList details;
    SetMessageDetailsHook([&details](const QString& text) { details.append(text); });
    // "café.bmp" in Latin-1, as an older system wrote it, seen as Qt decodes it.
    const QByteArray latin1 = QFile::encodeName(folder.path()) + "/caf\xE9.bmp";
    WritePicture(latin1.toStdString(), 6, 4, Pattern24(6, 4));
    CGrimassoDoc* opened = Open(editor, QFile::decodeName(latin1));
    QVERIFY(opened);
    QCOMPARE(opened->GetSession()->Width(), 6);

    // The cause stands beneath the load message: the file and the system's reason.
    const QString missing = folder.filePath(QStringLiteral("fehlt.png"));
    QVERIFY(!Open(editor, missing));
    QCOMPARE(editor.messages, QStringList{kLoadFailed});
    QCOMPARE(details.size(), 1);
    QVERIFY2(details[0].contains(missing), qPrintable(details[0]));
    SetMessageDetailsHook({});
}

void DocumentTest::saveAsWithoutEndingWritesBitmapAndTakesTheName()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.png"));
    WritePicture(source.toStdString(), 9, 6, Pattern24(9, 6));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    // A deformation, so that the deformed picture differs from the file.
    CWarpField* field = document->GetWarpField();
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 4, ay = 3;
    field->MovePointLive(ax, ay, 6, 3);
    field->EndDeformation();
    document->SetModifiedFlag(true);
    const std::vector<std::uint8_t> deformed = PictureRows(document);

    EditorHarness::AnswerFileDialogWith(folder.filePath(QStringLiteral("Ergebnis-\u00fc")));
    QVERIFY(document->OnCmdMsg(ID_FILE_SAVE_AS));
    const QString written = folder.filePath(QStringLiteral("Ergebnis-\u00fc.bmp"));
    QVERIFY(QFileInfo::exists(written));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("Ergebnis-\u00fc"))));
    QCOMPARE(document->GetTitle(), QStringLiteral("Ergebnis-\u00fc.bmp"));
    QCOMPARE(document->GetPathName(), QFileInfo(written).absoluteFilePath());
    QVERIFY(!document->IsModified());
    QVERIFY(editor.messages.isEmpty());

    CDibImage image;
    image.Read(QFile::encodeName(written).toStdString());
    QCOMPARE(image.GetHeader().biBitCount, std::uint16_t{24});
    // The file gets the codec's resolution, which the warp field's header lacks.
    QCOMPARE(image.GetHeader().biXPelsPerMeter, 14173);
    QCOMPARE(image.GetHeader().biYPelsPerMeter, 14173);
    QVERIFY(std::vector<std::uint8_t>(image.m_pBits.data(), image.m_pBits.data() + image.m_pBits.size()) == deformed);
}

void DocumentTest::saveAsToUnknownEndingReportsAndWritesNothing()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bmp"));
    WritePicture(source.toStdString(), 5, 5, Pattern24(5, 5));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    document->SetModifiedFlag(true);
    for (const char* name : {"copy.gif", "copy.jpeg2", "copy.TIFFANY"}) {
        editor.messages.clear();
        EditorHarness::AnswerFileDialogWith(folder.filePath(QLatin1String(name)));
        document->OnFileSaveAs();
        QCOMPARE(editor.messages, QStringList{kSaveFailed});
        QVERIFY2(!QFileInfo::exists(folder.filePath(QLatin1String(name))), name);
        QCOMPARE(document->GetTitle(), QStringLiteral("source.bmp"));
        QCOMPARE(document->GetPathName(), QFileInfo(source).absoluteFilePath());
        QVERIFY(document->IsModified());
    }
    // Only the source itself is in the folder: no temporary file was left behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("source.bmp")});
}

void DocumentTest::saveAsTakesTheLongEndings()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bmp"));
    WritePicture(source.toStdString(), 5, 4, Pattern24(5, 4));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    // The written file's first bytes show the codec the ending chose.
    struct Case {
        const char* name;
        PictureFormat format;
    };
    const Case cases[] = {{"copy.jpeg", PictureFormat::Jpeg}, {"copy.JPE", PictureFormat::Jpeg},
                          {"copy.tiff", PictureFormat::Tiff}};
    for (const Case& c : cases) {
        const QString target = folder.filePath(QLatin1String(c.name));
        EditorHarness::AnswerFileDialogWith(target);
        if (c.format == PictureFormat::Jpeg)
            OnNextModalDialog([](QDialog* dialog) { OkButtonOf(dialog)->click(); });
        QVERIFY2(document->DoSave(QString()), c.name);
        const QByteArray bytes = FileBytes(target);
        QVERIFY2(FormatFromSignature(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size())) == c.format,
                 c.name);
        QCOMPARE(document->GetTitle(), QLatin1String(c.name));
    }
    QVERIFY(editor.messages.isEmpty());
}

void DocumentTest::saveToUnwritableFolderKeepsPathAndFlag()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bmp"));
    WritePicture(source.toStdString(), 5, 5, Pattern24(5, 5));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    document->SetModifiedFlag(true);
    EditorHarness::AnswerFileDialogWith(folder.filePath(QStringLiteral("no/such/folder/out.png")));
    QVERIFY(!document->DoSave(QString()));
    QCOMPARE(editor.messages, QStringList{kSaveFailed});
    QCOMPARE(document->GetTitle(), QStringLiteral("source.bmp"));
    QVERIFY(document->IsModified());
}

void DocumentTest::writeProtectedFileIsNotReplaced()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("protected.bmp"));
    WritePicture(source.toStdString(), 5, 5, Pattern24(5, 5));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    CWarpField* field = document->GetWarpField();
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 2, ay = 2;
    field->MovePointLive(ax, ay, 4, 2);
    field->EndDeformation();
    document->SetModifiedFlag(true);
    const QByteArray before = FileBytes(source);
    QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    QVERIFY(!document->DoSave(source));
    QCOMPARE(editor.messages, QStringList{kSaveFailed});
    QCOMPARE(FileBytes(source), before);
    QVERIFY(document->IsModified());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("protected.bmp")});
}

void DocumentTest::pipeIsRefusedWithoutWaitingForAWriter()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString pipe = folder.filePath(QStringLiteral("pipe.bmp"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0);
    QVERIFY(!Open(editor, pipe));
    QCOMPARE(editor.messages, QStringList{kLoadFailed});
    QVERIFY(editor.Manager().Documents().isEmpty());
}

void DocumentTest::cancelledJpegSettingsAbandonTheSave()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bmp"));
    WritePicture(source.toStdString(), 8, 8, Pattern24(8, 8));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    document->SetModifiedFlag(true);

    // An existing file of the chosen name must stay as it was.
    const QString target = folder.filePath(QStringLiteral("keep.jpg"));
    {
        QFile existing(target);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("not touched");
    }
    EditorHarness::AnswerFileDialogWith(target);
    bool sawDialog = false;
    OnNextModalDialog([&sawDialog](QDialog* dialog) {
        sawDialog = qobject_cast<CJpegDialog*>(dialog) != nullptr;
        dialog->reject();
    });
    QVERIFY(!document->DoSave(QString()));
    QVERIFY(sawDialog);
    QCOMPARE(FileBytes(target), QByteArray("not touched"));
    QVERIFY(editor.messages.isEmpty());
    QVERIFY(document->IsModified());
    QCOMPARE(document->GetTitle(), QStringLiteral("source.bmp"));
    QCOMPARE(document->GetPathName(), QFileInfo(source).absoluteFilePath());

    // The framework's Save under the document's own bitmap name still works afterwards.
    QVERIFY(document->OnCmdMsg(ID_FILE_SAVE));
    QVERIFY(!document->IsModified());
}

void DocumentTest::jpegSettingsReachTheFile()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.png"));
    // A picture with detail, so that the quality shows in the file size.
    std::vector<std::uint8_t> rows = Pattern24(64, 64);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>(rows[i] ^ ((i * 2654435761u) >> 13));
    WritePicture(source.toStdString(), 64, 64, rows);
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);

    // Untouched dialog: quality 100, baseline.
    const QString best = folder.filePath(QStringLiteral("best.jpg"));
    EditorHarness::AnswerFileDialogWith(best);
    OnNextModalDialog([](QDialog* dialog) { OkButtonOf(dialog)->click(); });
    QVERIFY(document->DoSave(QString()));
    QVERIFY(!IsProgressiveJpeg(FileBytes(best)));
    QCOMPARE(document->GetTitle(), QStringLiteral("best.jpg"));

    // Slider at the bottom end (quality 0) and progressive ticked.
    const QString worst = folder.filePath(QStringLiteral("worst.jpg"));
    EditorHarness::AnswerFileDialogWith(worst);
    OnNextModalDialog([](QDialog* dialog) {
        auto* jpeg = qobject_cast<CJpegDialog*>(dialog);
        QCOMPARE(jpeg->Slider()->value(), 0);  // every save starts at quality 100
        QVERIFY(!jpeg->ProgressiveCheck()->isChecked());
        jpeg->Slider()->setValue(100);
        jpeg->ProgressiveCheck()->setChecked(true);
        OkButtonOf(dialog)->click();
    });
    QVERIFY(document->DoSave(QString()));
    const QByteArray small = FileBytes(worst);
    QVERIFY(IsProgressiveJpeg(small));
    QVERIFY2(small.size() * 3 < FileBytes(best).size(), "quality 0 should give a much smaller file");
    QCOMPARE(QImage(worst).size(), QSize(64, 64));
    QVERIFY(editor.messages.isEmpty());
}

void DocumentTest::copyPutsTheBlockAndPastesBackIdentical()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("tiny.bmp"));
    const std::vector<std::uint8_t> rows = Pattern24(3, 2);
    WritePicture(source.toStdString(), 3, 2, rows);
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);

    QVERIFY(document->OnCmdMsg(ID_EDIT_COPY));
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime);
    const QByteArray block = mime->data(QLatin1String(kGrimassoDibMimeType));
    QCOMPARE(block.size(), 68);
    // The warp field's header: no resolution, no colour counts.
    QCOMPARE(BlockHeaderFields(block), (QList<qint64>{40, 3, 2, 1, 24, 0, 24, 0, 0, 0, 0}));
    QVERIFY(ClipboardHasPicture());

    auto* pasted = static_cast<CGrimassoDoc*>(editor.Manager().OpenNewDocument());
    QVERIFY(pasted);
    QCOMPARE(pasted->GetPictureSize(), QSize(3, 2));
    QVERIFY(PictureRows(pasted) == rows);
    QVERIFY(pasted->GetPathName().isEmpty());
    QCOMPARE(pasted->GetWarpField()->GetRadius(), 20);
    QCOMPARE(editor.Area()->subWindowList().size(), 2);
    QVERIFY(editor.messages.isEmpty());
}

void DocumentTest::pasteWithoutPictureShowsTheLoadMessage()
{
    EditorHarness editor;
    QApplication::clipboard()->setText(QStringLiteral("no picture"));
    QVERIFY(!ClipboardHasPicture());
    QVERIFY(!editor.Manager().OpenNewDocument());
    QCOMPARE(editor.messages, QStringList{kLoadFailed});
    QVERIFY(editor.Area()->subWindowList().isEmpty());
}

void DocumentTest::scaleOpensNewWindowWithEverySecondPixel()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("wide.bmp"));
    const std::vector<std::uint8_t> rows = Pattern24(200, 100);
    WritePicture(source.toStdString(), 200, 100, rows);
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);

    OnNextModalDialog([](QDialog* dialog) {
        auto* scale = qobject_cast<CScaleDialog*>(dialog);
        QVERIFY(scale);
        QCOMPARE(scale->WidthField()->text(), QStringLiteral("200"));
        QCOMPARE(scale->HeightField()->text(), QStringLiteral("100"));
        QVERIFY(scale->KeepAspectCheck()->isChecked());
        scale->WidthField()->setText(QStringLiteral("100"));  // the height follows: 50
        OkButtonOf(dialog)->click();
    });
    QVERIFY(document->OnCmdMsg(ID_SCALE_IMAGE));
    // The scaled block: the warp field's header with the new size, rows of 300 bytes.
    const QByteArray block = QApplication::clipboard()->mimeData()->data(QLatin1String(kGrimassoDibMimeType));
    QCOMPARE(block.size(), 40 + 50 * 300 + 4);
    QCOMPARE(BlockHeaderFields(block), (QList<qint64>{40, 100, 50, 1, 24, 0, 50 * 300, 0, 0, 0, 0}));
    // The new window comes through the posted paste command.
    QVERIFY(WaitFor([&editor] { return editor.Manager().Documents().size() == 2; }));
    auto* scaled = static_cast<CGrimassoDoc*>(editor.Manager().Documents().last());
    QCOMPARE(scaled->GetPictureSize(), QSize(100, 50));
    const std::vector<std::uint8_t> result = PictureRows(scaled);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            QCOMPARE(PixelOf(result, 100, x, y), PixelOf(rows, 200, 2 * x, 2 * y));
    // The current document is untouched.
    QCOMPARE(document->GetPictureSize(), QSize(200, 100));
    QVERIFY(PictureRows(document) == rows);
    QVERIFY(!document->IsModified());
    QCOMPARE(editor.Area()->subWindowList().size(), 2);
    QVERIFY(editor.messages.isEmpty());
}

void DocumentTest::cancelledScaleChangesNothing()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("pic.bmp"));
    WritePicture(source.toStdString(), 6, 4, Pattern24(6, 4));
    CGrimassoDoc* document = Open(editor, source);
    QVERIFY(document);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    OnNextModalDialog([](QDialog* dialog) { dialog->reject(); });
    document->OnScaleImage();
    QTest::qWait(20);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QCOMPARE(editor.Manager().Documents().size(), 1);
}

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
