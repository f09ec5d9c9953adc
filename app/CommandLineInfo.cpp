// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLineInfo.h"

#include "framework/StringTable.h"
#include "resources/StringIds.h"

namespace {

CCommandLineInfo Invalid(const QString& message)
{
    CCommandLineInfo info;
    info.m_nShellCommand = CCommandLineInfo::Invalid;
    info.m_strError = message;
    return info;
}

}  // namespace

CCommandLineInfo ParseCommandLine(const QStringList& arguments)
{
    CCommandLineInfo info;
    bool print = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (argument == QLatin1String("--")) {
                optionsEnded = true;
            } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
                info.m_nShellCommand = CCommandLineInfo::ShowUsage;
                return info;
            } else if (argument == QLatin1String("--version")) {
                info.m_nShellCommand = CCommandLineInfo::ShowVersion;
                return info;
            } else if (argument == QLatin1String("-p") || argument == QLatin1String("--print")) {
                print = true;
            } else {
                return Invalid(LoadQString(IDS_CMDLINE_UNKNOWN_OPTION).arg(argument));
            }
            continue;
        }
        if (!info.m_strFileName.isEmpty())
            return Invalid(LoadQString(IDS_CMDLINE_TOO_MANY_FILES));
        info.m_strFileName = argument;
    }
    if (print) {
        if (info.m_strFileName.isEmpty())
            return Invalid(LoadQString(IDS_CMDLINE_MISSING_FILE).arg(QStringLiteral("--print")));
        info.m_nShellCommand = CCommandLineInfo::FilePrint;
        info.m_bShowSplash = false;
    } else if (!info.m_strFileName.isEmpty()) {
        info.m_nShellCommand = CCommandLineInfo::FileOpen;
    }
    return info;
}
