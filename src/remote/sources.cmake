# Sources of src/remote. CORE_SOURCES: portable, no <windows.h>. WIN32_SOURCES: the Win32 modules.
# APP_SOURCES: only in CORVINET.exe (entry point and the application object).
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AnswerParsing.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AccessListReader.cpp)
list(APPEND WIN32_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/ConfigServerClient.cpp
     ${CMAKE_CURRENT_LIST_DIR}/UpdateProgressDialog.cpp)
