# Sources of src/dialup. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32
# modules.
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialString.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialupConnection.cpp)
