// The dialog-application framework in one include: application object and
// entry point (WinApp.h), run-time class information (Object.h), windows and
// message maps (Wnd.h, MessageMap.h), the wait cursor (WaitCursor.h), dialogs
// and data exchange (Dialog.h), control wrappers, image lists and fonts
// (Controls.h), menus (Menu.h) and worker threads (Thread.h).
#pragma once

#include "framework/Object.h"
#include "framework/MessageMap.h"
#include "framework/Wnd.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"
#include "framework/Dialog.h"
#include "framework/Controls.h"
#include "framework/Menu.h"
#include "framework/Thread.h"
