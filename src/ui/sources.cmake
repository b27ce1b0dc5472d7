# Sources of src/ui. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32 modules.
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClockText.cpp)
list(APPEND WIN32_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/AboutDialog.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ButtonBitmap.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MainDialog.cpp
     ${CMAKE_CURRENT_LIST_DIR}/TrayIcon.cpp
     ${CMAKE_CURRENT_LIST_DIR}/WindowAppearance.cpp)
