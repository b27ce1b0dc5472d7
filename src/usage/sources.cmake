# Sources of src/usage. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32 modules.
# APP_SOURCES: only in CORVINET.exe (entry point and the application object).
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/Calendar.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/CallRecord.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DisconnectSchedule.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/LocalTime.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/UsageReport.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/DisconnectTimerDialog.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/CallLog.cpp)
list(APPEND WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/UsageDialog.cpp)
