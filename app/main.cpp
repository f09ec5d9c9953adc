// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's entry point.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>

#include "app/GrimassoApp.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"

int main(int argc, char* argv[])
{
    // A write over the file-size limit then fails like a full disk, reported
    // and with the old file intact, instead of ending the editor.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(LoadQString(IDS_REGISTRY_KEY));
    QApplication::setApplicationName(LoadQString(AFX_IDS_APP_TITLE));
    // Qt's own dialogs (files, printer) speak German where Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    CGrimassoApp grimasso;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!grimasso.InitInstance(arguments))
        return grimasso.ExitCode();
    return QApplication::exec();
}
