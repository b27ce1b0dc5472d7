# src/dialup: the dial-up call through the remote-access service. MainDialogCall.cpp, the main
# window's dial and hang-up, belongs to the window's library (src/ui/sources.cmake).
corvinet_layer(dialup
    CORE DialString.cpp
    WIN32 DialupConnection.cpp
    USES settings
    LIBS corvinet_delay_rasapi32)
