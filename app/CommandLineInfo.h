#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line asks for: nothing (an empty main window), a picture to
// open, or a picture to print on the default printer (then without start screen).
#include <QString>
#include <QStringList>

struct CCommandLineInfo {
    enum ShellCommand { FileNew, FileOpen, FilePrint, ShowUsage, ShowVersion, Invalid };

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    bool m_bShowSplash = true;
    QString m_strError;  // the German message when the line is Invalid
};

// Parses the arguments that follow the program name.
CCommandLineInfo ParseCommandLine(const QStringList& arguments);
