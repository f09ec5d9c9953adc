// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorDialogs.h"

#include <QDialog>
#include <QMainWindow>

#include "framework/Application.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/JpegDialog.h"
#include "view/VideoCommand.h"
#include "view/ScaleDialog.h"

std::optional<CodecOptions> CEditorDialogs::AskJpegOptions()
{
    CJpegDialog dialog(TheMainWindow());
    dialog.m_quality = 100;
    dialog.m_progressive = false;
    if (dialog.DoModal() != QDialog::Accepted)
        return std::nullopt;
    CodecOptions options;
    options.quality = dialog.m_quality;
    options.progressive = dialog.m_progressive;
    return options;
}

std::optional<QSize> CEditorDialogs::AskScaledSize(QSize size)
{
    CScaleDialog dialog(TheMainWindow());
    dialog.m_bKeepAspect = true;
    dialog.m_nWidth = static_cast<std::uint32_t>(size.width());
    dialog.m_nHeight = static_cast<std::uint32_t>(size.height());
    if (dialog.DoModal() != QDialog::Accepted)
        return std::nullopt;
    return QSize(static_cast<int>(dialog.m_nWidth), static_cast<int>(dialog.m_nHeight));
}

void CEditorDialogs::CreateVideo(PictureSession& session)
{
    RunVideoCommand(session, TheMainWindow());
}

IDocumentDialogs& EditorDialogs()
{
    static CEditorDialogs dialogs;
    return dialogs;
}

QString CEditorDialogs::AskDocumentToApply()
{
    return PromptFileName(false, LoadQString(IDS_APPLY_DEFORMATION_TITLE), LoadQString(IDS_APPLY_DEFORMATION_FILTER),
                          QStringLiteral("grimasso"), QString());
}
