# Sources of src/app. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32
# modules. APP_SOURCES: only in CORVINET.exe (entry point and the application object).
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/TextIntegrity.cpp)
list(APPEND APP_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialerApp.cpp)
