# src/dialup: the dial-up call through the remote-access service.
corvinet_layer(dialup
    CORE DialString.cpp
    WIN32 DialupConnection.cpp
    USES settings
    LIBS corvinet_delay_rasapi32)
