# Sources of src/settings. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32
# modules.
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DefaultAccessList.cpp)
list(APPEND WIN32_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/DialerSettings.cpp
     ${CMAKE_CURRENT_LIST_DIR}/LocationDialog.cpp
     ${CMAKE_CURRENT_LIST_DIR}/RegistryKey.cpp
     ${CMAKE_CURRENT_LIST_DIR}/SettingsDialog.cpp)
