# src/framework: the thin window layer. CORE: portable, no <windows.h>. WIN32: the Win32 modules.
corvinet_layer(framework
    CORE FieldParsing.cpp TextFormat.cpp
    WIN32 Application.cpp Clock.cpp Controls.cpp DataExchange.cpp Dialog.cpp InternetSession.cpp
          ResourceStrings.cpp WaitCursor.cpp
    USES texts
    LIBS corvinet_delay_wininet comctl32 user32 gdi32 kernel32)
