# src/ui: the main window with its tray icon and appearance, and the about box.
corvinet_layer(ui
    CORE ClockText.cpp FadeSteps.cpp PictureScale.cpp
    WIN32 AboutDialog.cpp ButtonBitmap.cpp MainDialog.cpp TrayIcon.cpp WindowAppearance.cpp
    USES dialup remote usage
    LIBS corvinet_resource_ids shell32)
