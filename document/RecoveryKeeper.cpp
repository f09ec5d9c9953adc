// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/RecoveryKeeper.h"

#include <QDateTime>
#include <QFile>
#include <QMainWindow>
#include <QStatusBar>

#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/RecoveryCopy.h"
#include "session/RecoveryFolder.h"

namespace {

// Once until a copy is written again, however many documents cannot keep one.
bool g_failureReported = false;

// A write still running is asked again after this long.
constexpr int kBusyRetryMs = 250;

}  // namespace

CRecoveryKeeper::CRecoveryKeeper(CGrimassoDoc& document) : m_document(document)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CRecoveryKeeper::WriteNow);
    connect(&document, &CDocument::changesMarked, this, &CRecoveryKeeper::ChangeCompleted);
    connect(&document, &CDocument::modifiedChanged, this, [this] {
        if (!m_document.IsModified())
            Discard();
    });
}

CRecoveryKeeper::~CRecoveryKeeper()
{
    m_timer.stop();
    m_copy.reset();  // waits for the writer and removes the copy
}

void CRecoveryKeeper::Discard()
{
    m_timer.stop();
    if (m_copy)
        m_copy->Discard();
}

QString CRecoveryKeeper::CopyPath() const
{
    if (!m_copy || !QFile::exists(QFile::decodeName(m_copy->DocumentPath().c_str())))
        return QString();
    return QFile::decodeName(m_copy->DocumentPath().c_str());
}

void CRecoveryKeeper::WaitForWrite()
{
    if (m_copy)
        m_copy->Wait();
    ReportOutcome();
}

void CRecoveryKeeper::ChangeCompleted()
{
    if (m_timer.isActive())
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 due = m_lastWriteMs < 0 ? now : m_lastWriteMs + kMinimumIntervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, due - now)));
}

void CRecoveryKeeper::WriteNow()
{
    ReportOutcome();
    PictureSession* session = m_document.GetSession();
    if (!session || !m_document.IsModified())
        return;
    if (!m_copy) {
        try {
            m_copy = std::make_unique<RecoveryCopy>(RecoveryFolderPath());
        } catch (const std::exception&) {
            // Tried again at the next change: the folder may take copies by then.
            ShowFailure();
            return;
        }
    }
    if (!m_copy->Write(*session, m_document.GetTitle().toStdString())) {
        m_timer.start(kBusyRetryMs);
        return;
    }
    m_lastWriteMs = QDateTime::currentMSecsSinceEpoch();
    // A failed write tells by the time the next one may start.
    QTimer::singleShot(kMinimumIntervalMs, this, &CRecoveryKeeper::ReportOutcome);
}

void CRecoveryKeeper::ReportOutcome()
{
    if (!m_copy)
        return;
    if (m_copy->TakeFailure())
        ShowFailure();
    else if (m_copy->TakeSuccess())
        g_failureReported = false;
}

void CRecoveryKeeper::ShowFailure()
{
    if (g_failureReported)
        return;
    g_failureReported = true;
    if (TheMainWindow())
        TheMainWindow()->statusBar()->showMessage(LoadQString(IDS_RECOVERY_UNAVAILABLE));
}
