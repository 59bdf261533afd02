#pragma once
// What the player window's source files share: the includes they use and the window's
// fixed sizes and names.
#include "app/AppInfo.h"
#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "media/MainVol.h"
#include "media/MciSend.h"
#include "media/WindowRegistry.h"
#include "player/PlayerLogic.h"
#include "ui/CommDialog.h"
#include "ui/Icons.h"
#include "ui/MsgBox.h"
#include "ui/SmallDialogs.h"
#include "ui/ZorvoButton.h"
#include "tools/frmBuzy.h"
#include "tools/mdlSaveRng.h"
#include "tools/mdlTools.h"
#include "workspace/frmList.h"
#include "workspace/mdlLineFormat.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QVBoxLayout>

namespace frmMainParts {

// Start-up work that can wait (the capture device, the first start's help) runs this long
// after a file began to play, so that it does not delay the first frame.
constexpr int kAfterFirstFrameMs = 1000;

constexpr int panelHeight = 69;
constexpr int twipsPerPixel = 15;
constexpr int buttonSize = 26;
inline const QString playerAlias = QStringLiteral("Zorvo.FLV");
inline const QString captureAlias = QStringLiteral("Zorvo.FLV_forCapture");

inline QString markOpenTitle() { return QStringLiteral("注意事项"); }

} // namespace frmMainParts
