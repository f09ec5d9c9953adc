#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's document machinery without the shell: a main window with a
// window area, a document manager for picture documents, recorded messages,
// scripted file names and modal dialogs, and picture files to open.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/EditorDialogs.h"
#include "core/TestPictures.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "image/CodecChoice.h"
#include "image/CodecOptions.h"
#include "view/GrimassoView.h"

namespace doctest {

// Messages shown while the harness lives, and the document template of the editor.
class EditorHarness {
public:
    EditorHarness()
    {
        m_area = new QMdiArea;
        m_window.setCentralWidget(m_area);
        m_window.resize(1000, 800);
        m_window.show();
        m_manager = std::make_unique<CDocManager>();
        m_manager->SetDocTemplate(std::make_unique<CDocTemplate>(
            [] { return new CGrimassoDoc(EditorDialogs()); },
            [](CDocument* document) { return new CGrimassoView(static_cast<CGrimassoDoc*>(document)); }));
        m_manager->SetMdiArea(m_area);
        SetTheDocManager(m_manager.get());
        SetTheMainWindow(&m_window);
        SetMessageBoxHook([this](const QString& text, MessageButtons, MessageIcon) {
            messages << text;
            return MessageResult::Ok;
        });
        // The shell's paste command: a new document from the clipboard.
        SetCommandSink([this](int id) {
            if (id != ID_EDIT_PASTE)
                return false;
            m_manager->OpenNewDocument();
            return true;
        });
    }
    ~EditorHarness()
    {
        m_manager->CloseAllDocuments();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetCommandSink({});
        SetMessageBoxHook({});
        SetFileDialogHook({});
        SetTheMainWindow(nullptr);
        SetTheDocManager(nullptr);
        m_manager.reset();
    }

    CDocManager& Manager() { return *m_manager; }
    QMdiArea* Area() const { return m_area; }
    QMainWindow& Window() { return m_window; }

    // The next save or open dialog answers with path.
    static void AnswerFileDialogWith(const QString& path)
    {
        SetFileDialogHook([path](bool, const QString&, const QString&, const QString&) { return path; });
    }

    QStringList messages;

private:
    QMainWindow m_window;
    QMdiArea* m_area = nullptr;
    std::unique_ptr<CDocManager> m_manager;
};

// Runs action on the next modal dialog as soon as it is open (checked every few
// milliseconds for up to five seconds).
inline void OnNextModalDialog(std::function<void(QDialog*)> action)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog)
            action(dialog);
    });
    timer->start();
}

// Keeps processing events until done() holds or a second passed.
inline bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 1000)
        QTest::qWait(5);
    return done();
}

// A picture file written by the codec of its ending, from 24-bit bottom-up rows.
inline void WritePicture(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rows,
                         CodecOptions options = {})
{
    std::unique_ptr<CDibImage> codec = CreateCodecForPath(path);
    QVERIFY2(codec != nullptr, path.c_str());
    codec->SetHeader(width, height, 24, &options);
    codec->m_pBits = PixelBuffer::Allocate(rows.size(), false);
    std::memcpy(codec->m_pBits.data(), rows.data(), rows.size());
    codec->Write(path);
}

// The deformed picture of document as rows.
inline std::vector<std::uint8_t> PictureRows(const CGrimassoDoc* document)
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    document->GetWarpField()->GetPicture(header, rows);
    const auto size = static_cast<std::size_t>(RowBytes(header.biWidth, 24) * header.biHeight);
    return std::vector<std::uint8_t>(rows, rows + size);
}

// Blue, green, red of picture column x, bottom-up row y, in 24-bit rows of width.
inline QColor PixelOf(const std::vector<std::uint8_t>& rows, int width, int x, int y)
{
    const std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * RowBytes(width, 24) + 3 * x;
    return QColor(p[2], p[1], p[0]);
}

inline QString QtPath(const std::string& path)
{
    return QString::fromStdString(path);
}

}  // namespace doctest
