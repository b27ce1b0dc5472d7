# The program's folders as libraries, one a folder, each linking only the folders below it:
#
#   texts      the built-in texts (header only)
#   framework  the thin window layer                       uses texts
#   settings   the settings record, its dialogs            uses framework
#   usage      the call log, the report, the schedule      uses framework
#   dialup     the dial-up connection                      uses settings
#   remote     the configuration-server client             uses settings
#   ui         the main window, tray, appearance, about    uses dialup remote usage
#   app        start-up (the program's entry point)        uses ui
#
# A library sees the headers of its own folder and of the libraries it links, and no others:
# its include directory is a folder of the build that holds one link, named after the folder,
# to the folder's sources. An include that climbs ("framework/..." including "ui/...") is then
# refused by the compiler. Where the build machine cannot make links, the libraries see all of
# src/ and nothing is enforced.
#
# In the native build a folder's library holds only its portable core (no <windows.h>); in the
# cross build it holds the Win32 modules as well.

# The warning flags of every target of our own.
add_library(corvinet_warnings INTERFACE)
target_compile_options(corvinet_warnings INTERFACE -Wall -Wextra -Werror)

# The resource ids (res/resource.h), for every folder with windows.
add_library(corvinet_resource_ids INTERFACE)
target_include_directories(corvinet_resource_ids INTERFACE ${CMAKE_SOURCE_DIR}/res)

# The include directory that shows `folder` alone.
function(corvinet_layer_view folder result)
    set(view ${CMAKE_BINARY_DIR}/layers/${folder})
    if(NOT IS_SYMLINK ${view}/${folder})
        file(MAKE_DIRECTORY ${view})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${view}/${folder} RESULT failed
             SYMBOLIC)
        if(failed)
            message(STATUS "No link for src/${folder} (${failed}): folder layering not enforced")
            set(view ${CMAKE_SOURCE_DIR}/src)
        endif()
    endif()
    set(${result} ${view} PARENT_SCOPE)
endfunction()

# corvinet_layer(<folder> [CORE <portable sources>] [WIN32 <Win32 sources>]
#                [MEMBERS <folder below>/<Win32 source>...]
#                [USES <folders below>] [LIBS <other targets and system libraries>])
# Makes corvinet_<folder>; USES and LIBS reach the users of the library too. A MEMBERS source
# lives in a folder below, with the concern it belongs to, but defines members of a class of
# this folder (the main window's call, kept in dialup/): it is compiled here, so it sees this
# folder's headers, and the folder below it stays free of any include that climbs.
function(corvinet_layer folder)
    cmake_parse_arguments(LAYER "" "" "CORE;WIN32;MEMBERS;USES;LIBS" ${ARGN})
    set(sources ${LAYER_CORE})
    if(WIN32)
        list(APPEND sources ${LAYER_WIN32})
    else()
        set(LAYER_LIBS "")  # system libraries and resources belong to the cross build
        set(LAYER_MEMBERS "")
    endif()
    list(TRANSFORM sources PREPEND ${CMAKE_SOURCE_DIR}/src/${folder}/)
    foreach(member ${LAYER_MEMBERS})
        string(REGEX REPLACE "/.*" "" home ${member})
        if(NOT home IN_LIST LAYER_USES)
            message(FATAL_ERROR "src/${member} is a member of src/${folder}, which does not use ${home}")
        endif()
        list(APPEND sources ${CMAKE_SOURCE_DIR}/src/${member})
    endforeach()
    list(TRANSFORM LAYER_USES PREPEND corvinet_)
    # A folder may use only folders declared before it: the folders' graph has no cycle.
    foreach(used ${LAYER_USES})
        if(NOT TARGET ${used})
            message(FATAL_ERROR "src/${folder} uses ${used}, which is not declared below it")
        endif()
    endforeach()
    corvinet_layer_view(${folder} view)
    set(target corvinet_${folder})
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${view})
        target_link_libraries(${target} PUBLIC ${LAYER_USES} ${LAYER_LIBS}
                              PRIVATE corvinet_warnings)
        if(CORVINET_FUZZING)
            target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
        endif()
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${view})
        target_link_libraries(${target} INTERFACE ${LAYER_USES} ${LAYER_LIBS})
    endif()
endfunction()

# Every folder, from the bottom up. corvinet_core gathers them for the native tests, the fuzz
# targets and the benchmarks (in the cross build: for the end-to-end driver).
set(CORVINET_LAYERS texts framework settings usage dialup remote ui app)
foreach(folder ${CORVINET_LAYERS})
    include(${CMAKE_SOURCE_DIR}/src/${folder}/sources.cmake)
endforeach()
add_library(corvinet_core INTERFACE)
foreach(folder ${CORVINET_LAYERS})
    target_link_libraries(corvinet_core INTERFACE corvinet_${folder})
endforeach()
