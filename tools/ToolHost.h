#pragma once
// What the tool runner needs from the two main windows. The player window and the
// workspace implement it; tests give a small one of their own.
#include "ui/MsgBox.h"

#include <QString>

class QWidget;

struct ToolHost {
    virtual ~ToolHost() = default;
    // frmMain and frmList (null while the workspace has not been made).
    virtual QWidget* playerWindow() = 0;
    virtual QWidget* workspaceWindow() = 0;
    // pausePrFn of the player.
    virtual void pausePlayer() {}
    // closeRunFn of the player: closes the media device when it holds that file.
    virtual void closeRunFn(const QString& file) { (void)file; }
    // Shows the file in the workspace's file browser.
    virtual void showInBrowser(const QString& file) = 0;
    // The workspace option chkDoneToFn: show new files in the browser, not the file manager.
    virtual bool doneToFileBrowser() = 0;
    // playErrorMsg of the player: why a file could not be opened, under headMsg.
    virtual void playErrorMsg(const QString& file, const QString& headMsg)
    {
        ui::msgBox(headMsg + QStringLiteral("\r\n") + file, ui::OkOnly, ui::errorTitle, playerWindow());
    }
};
