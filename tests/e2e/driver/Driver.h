// The end-to-end driver: starts the real CORVINET.exe under Wine and drives it from this
// (second) process the way a user would. One header per part:
#pragma once

#include "driver/CallLogFile.h"   // the call log's bytes and the usage report's lines
#include "driver/Keyboard.h"      // real keyboard input, and a window of the driver's own
#include "driver/MainWindow.h"    // the main window's state, dialling and hanging up
#include "driver/MessageBoxes.h"  // reading and answering message boxes
#include "driver/ProgramRun.h"    // one run of the program; the line-simulator fixture
#include "driver/Pictures.h"      // the pictures of the program's buttons, on the screen
#include "driver/Screenshot.h"    // screenshots and screen pixels
#include "driver/Settings.h"      // the program's settings key in the prefix
#include "driver/ShellTray.h"     // the tray icon's picture and tip, as the shell shows them
#include "driver/StandIns.h"      // the configuration server and browser stand-ins
#include "driver/ToolTips.h"      // tooltips, hovered with the real pointer
#include "driver/Waits.h"         // waits with time limits; the program's clock
#include "driver/WindowAccess.h"  // reading and acting on another process's windows
#include "support/Paths.h"        // the build folder, test names, bounded file helpers
