# src/remote: the configuration-server client, the answers it reads and the update window.
corvinet_layer(remote
    CORE AnswerParsing.cpp AccessListReader.cpp
    WIN32 ConfigServerClient.cpp UpdateProgressDialog.cpp
    USES settings
    LIBS corvinet_resource_ids shell32)
