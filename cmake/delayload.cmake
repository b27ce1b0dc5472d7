# Delay-loaded system libraries: the program needs the remote-access service and the Internet
# client only from the first dial on, so they are loaded then, not at start-up. A delay-import
# library, made by dlltool from the list of functions the program calls (cmake/delayload/),
# stands in for the system's import library; the system's helper libdelayimp loads the DLL at
# the first call. corvinet_delay_<dll> is the target to link instead of <dll>.
function(corvinet_delay_import dll)
    set(listed ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(folder ${CMAKE_BINARY_DIR}/delayload)
    set(library ${folder}/lib${dll}_delay.a)
    file(READ ${listed} exports)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")  # 64-bit names carry no sizes
        set(kill_at "")
    else()
        set(kill_at --kill-at)  # imported by the plain name, linked by the stdcall one
    endif()
    file(WRITE ${folder}/${dll}.def "${exports}")
    add_custom_command(
        OUTPUT ${library}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${dll}.def --dllname ${dll}.dll
                --output-delaylib ${library} ${kill_at}
        DEPENDS ${listed}
        COMMENT "Delay-import library of ${dll}.dll"
        VERBATIM)
    add_custom_target(delay_${dll}_library DEPENDS ${library})
    add_library(corvinet_delay_${dll} INTERFACE)
    target_link_libraries(corvinet_delay_${dll} INTERFACE ${library} delayimp)
    add_dependencies(corvinet_delay_${dll} delay_${dll}_library)
endfunction()

corvinet_delay_import(rasapi32)
# The 32-bit build imports the Internet client directly. Its header declares the functions
# as imported (dllimport), so the code calls through their __imp_ slots; in a 32-bit
# delay-import library made by dlltool (binutils 2.40) the linker then leaves each slot
# pointing at address 0 instead of at the loading stub, and the first call jumps there (seen
# under Wine with and without user-mode emulation; a ten-line program that only calls
# InternetOpenA does the same). The remote-access header declares plain functions, whose calls
# go through dlltool's own stubs, which load the DLL in both builds.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    corvinet_delay_import(wininet)
else()
    add_library(corvinet_delay_wininet INTERFACE)
    target_link_libraries(corvinet_delay_wininet INTERFACE wininet)
endif()
