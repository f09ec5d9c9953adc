#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the recovery copy of one document: after each completed change of a
// modified document, at most every two seconds, the copy is written in the
// background; saving the document, or its closing, removes the copy. When a
// copy cannot be written the work goes on undisturbed, the status bar says so
// once, and the next change tries again; once a copy has been written again, a
// later failure is reported afresh.
#include <QObject>
#include <QTimer>
#include <memory>

class CGrimassoDoc;
class RecoveryCopy;

class CRecoveryKeeper : public QObject {
    Q_OBJECT
public:
    explicit CRecoveryKeeper(CGrimassoDoc& document);
    ~CRecoveryKeeper() override;

    // Waits for a write under way and removes the copy (before the document
    // lets go of its picture, whose pixels the writer reads).
    void Discard();
    // The copy's document, empty while there is none (for the tests).
    QString CopyPath() const;
    // Waits for a write under way (for the tests).
    void WaitForWrite();

    static constexpr int kMinimumIntervalMs = 2000;

private:
    void ChangeCompleted();
    void WriteNow();
    void ReportOutcome();
    void ShowFailure();

    CGrimassoDoc& m_document;
    std::unique_ptr<RecoveryCopy> m_copy;
    QTimer m_timer;
    qint64 m_lastWriteMs = -1;
};
