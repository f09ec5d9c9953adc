#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the whole shell for a test, and reading its menus back as text.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QtTest>
#include <memory>

#include "app/ChildFrame.h"
#include "app/GrimassoApp.h"
#include "app/MainFrame.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/MessageBox.h"

// The visible items of menu, one string each: the text, "-" for a separator,
// and "Title > [items]" for a submenu.
inline QStringList MenuItems(const QMenu* menu)
{
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            items.append(QStringLiteral("-"));
        else if (action->menu())
            items.append(action->text() + QStringLiteral(" > [") + MenuItems(action->menu()).join(QStringLiteral(", ")) +
                         QLatin1Char(']'));
        else
            items.append(action->text());
    }
    return items;
}

inline QMenu* TopMenu(CMainFrame* frame, const QString& title)
{
    for (QAction* action : frame->menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

inline QStringList TopMenuTitles(CMainFrame* frame)
{
    QStringList titles;
    for (QAction* action : frame->menuBar()->actions())
        titles.append(action->text());
    return titles;
}

// The action of the menu item with text in menu (searched through submenus).
inline QAction* MenuAction(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
        if (action->menu()) {
            if (QAction* inner = MenuAction(action->menu(), text))
                return inner;
        }
    }
    return nullptr;
}

// Starts the editor without arguments; with a test template unless realDocuments.
inline std::unique_ptr<CGrimassoApp> StartShell(std::unique_ptr<CDocTemplate> docTemplate)
{
    auto app = std::make_unique<CGrimassoApp>();
    if (!app->InitInstance({}))
        return nullptr;
    if (docTemplate) {
        docTemplate->createFrame = [](CView* view) { return static_cast<QMdiSubWindow*>(new CChildFrame(view)); };
        app->DocManager().SetDocTemplate(std::move(docTemplate));
    }
    CMainFrame* frame = app->MainFrame();
    frame->activateWindow();
    if (!QTest::qWaitForWindowActive(frame))
        return nullptr;
    return app;
}

// Ends the editor; questions about unsaved pictures are answered "No".
inline void StopShell(std::unique_ptr<CGrimassoApp>& app)
{
    SetMessageBoxHook([](const QString&, MessageButtons, MessageIcon) { return MessageResult::No; });
    if (app && app->MainFrame())
        app->MainFrame()->close();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetMessageBoxHook(nullptr);
}

inline void UseFreshSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Haxel"), QStringLiteral("Grimasso")).clear();
}
