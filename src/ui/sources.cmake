# src/ui: the main window with its tray icon and appearance, and the about box. The main
# window's call is in src/dialup/MainDialogCall.cpp, compiled here.
corvinet_layer(ui
    CORE ClockText.cpp FadeSteps.cpp PictureScale.cpp
    WIN32 AboutDialog.cpp ButtonBitmap.cpp MainDialog.cpp MainDialogAppearance.cpp
          MainDialogTools.cpp MainDialogTray.cpp TrayIcon.cpp WindowAppearance.cpp
    MEMBERS dialup/MainDialogCall.cpp
    USES dialup remote usage
    LIBS corvinet_resource_ids shell32)
