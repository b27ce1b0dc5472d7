# src/app: start-up. The library holds the check of the built-in texts (the Windows tests use
# it too); the entry point, the application object, the terminate handler, the standard
# library's exceptions and the record of exceptions in flight are the program's own
# (cmake/windows.cmake).
corvinet_layer(app
    WIN32 TextIntegrity.cpp
    USES ui
    LIBS text_digest_include)
set(CORVINET_APP_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialerApp.cpp ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Termination.cpp ${CMAKE_CURRENT_LIST_DIR}/LibraryExceptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExceptionGlobals.cpp)
