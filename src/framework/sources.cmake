# Sources of src/framework. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32
# modules. APP_SOURCES: only in CORVINET.exe (entry point and the application object).
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/FieldParsing.cpp ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp)
list(APPEND WIN32_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/Application.cpp
     ${CMAKE_CURRENT_LIST_DIR}/Controls.cpp
     ${CMAKE_CURRENT_LIST_DIR}/DataExchange.cpp
     ${CMAKE_CURRENT_LIST_DIR}/Dialog.cpp
     ${CMAKE_CURRENT_LIST_DIR}/InternetSession.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ResourceStrings.cpp
     ${CMAKE_CURRENT_LIST_DIR}/WaitCursor.cpp)
list(APPEND APP_SOURCES ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp)
