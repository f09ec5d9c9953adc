// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/HelpRequest.h"

#include <QVariant>
#include <QWidget>

#include "framework/Application.h"
#include "framework/CommandIds.h"

namespace {

constexpr const char* kTopicProperty = "grimassoHelpTopic";
HelpHandler g_helpHandler;

}  // namespace

void SetHelpTopic(QWidget* dialog, int topic)
{
    dialog->setProperty(kTopicProperty, topic);
}

int HelpTopicOf(const QWidget* dialog)
{
    return dialog ? dialog->property(kTopicProperty).toInt() : 0;
}

void SetHelpHandler(HelpHandler handler)
{
    g_helpHandler = std::move(handler);
}

void ShowHelpTopic(QWidget* asker, int topic)
{
    if (g_helpHandler)
        g_helpHandler(asker, topic);
    else
        SendCommand(ID_HELP);
}
