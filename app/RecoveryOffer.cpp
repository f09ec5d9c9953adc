// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryOffer.h"

#include <QFile>
#include <QFileInfo>

#include "framework/DocManager.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/RecoveryFolder.h"

void OfferRecovery(CDocManager& documents)
{
    std::vector<LeftoverCopy> copies = FindLeftoverCopies(RecoveryFolderPath());
    if (copies.empty())
        return;
    const MessageResult answer =
        AfxMessageBox(LoadQString(IDS_RECOVERY_QUESTION), MessageButtons::YesNo, MessageIcon::Question);
    for (LeftoverCopy& copy : copies) {
        if (answer == MessageResult::Yes) {
            const QString path = QFile::decodeName(copy.DocumentPath().c_str());
            QString title = QString::fromStdString(copy.Title());
            if (title.isEmpty())
                title = QFileInfo(path).fileName();
            // A copy that cannot be opened has shown the load message; it is
            // kept for another attempt rather than lost.
            if (!documents.OpenDocumentCopy(path, title))
                continue;
        }
        copy.Remove();
    }
}
