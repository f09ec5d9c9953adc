// SPDX-License-Identifier: GPL-3.0-or-later
// Printing of the picture view: the picture fitted on one page, the print,
// direct print and print preview commands, and the printer setup that all views
// share.
#include "view/GrimassoView.h"

#include <QDialog>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "deform/WarpField.h"
#include "document/GrimassoDoc.h"
#include "framework/StringTable.h"
#include "image/DibImage.h"
#include "resources/StringIds.h"

void CGrimassoView::DrawPictureOnPage(QPainter& painter, const QRect& page, const BITMAPINFOHEADER& header,
                                      const std::uint8_t* rows)
{
    if (header.biWidth <= 0 || header.biHeight <= 0 || page.isEmpty())
        return;
    // The largest size that fits the page with the picture's aspect ratio, at its top-left.
    const double scale = std::min(static_cast<double>(page.width()) / header.biWidth,
                                  static_cast<double>(page.height()) / header.biHeight);
    const QRectF target(page.left(), page.top(), header.biWidth * scale, header.biHeight * scale);
    DrawPicture(painter, target, header, rows, target);
}

void CGrimassoView::PrintOnto(QPrinter& printer)
{
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    printer.setFromTo(1, 1);
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    field->GetPicture(header, rows);
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    // With the printer's default origin, (0, 0) is the top-left of the printable area.
    const QRect printable(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    DrawPictureOnPage(painter, printable, header, rows);
    painter.end();
}

QPrinter& CGrimassoView::SharedPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void CGrimassoView::OnFilePrint()
{
    QPrinter& printer = SharedPrinter();
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(LoadQString(IDS_PRINT_TITLE));
    // The picture is always exactly one page.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintOnto(printer);
}

void CGrimassoView::OnFilePrintDirect()
{
    PrintOnto(SharedPrinter());
}

void CGrimassoView::OnFilePrintPreview()
{
    QPrintPreviewDialog preview(&SharedPrinter(), this);
    preview.setWindowTitle(LoadQString(IDS_PRINT_PREVIEW_TITLE));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { PrintOnto(*printer); });
    preview.exec();
}

void CGrimassoView::OnFilePrintSetup(QWidget* parent)
{
    QPageSetupDialog dialog(&SharedPrinter(), parent);
    dialog.setWindowTitle(LoadQString(IDS_PRINT_SETUP_TITLE));
    dialog.exec();
}
