# The program's resources as an object library (linked into the program and the Windows test
# exes, which open the same dialog templates), and the digest of the built-in texts.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TEXT_DIGEST_HEADER ${CMAKE_BINARY_DIR}/generated/TextDigest.h)
add_custom_command(
    OUTPUT ${TEXT_DIGEST_HEADER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/textdigest.py
            ${CMAKE_SOURCE_DIR}/res/strings.rc ${CMAKE_SOURCE_DIR}/res/resource.h
            ${CMAKE_SOURCE_DIR}/src/texts/Texts.h ${TEXT_DIGEST_HEADER}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/textdigest.py ${CMAKE_SOURCE_DIR}/res/strings.rc
            ${CMAKE_SOURCE_DIR}/res/resource.h ${CMAKE_SOURCE_DIR}/src/texts/Texts.h
    COMMENT "Digest of the built-in texts")
add_custom_target(text_digest DEPENDS ${TEXT_DIGEST_HEADER})

file(GLOB_RECURSE RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
add_library(corvinet_res OBJECT ${CMAKE_SOURCE_DIR}/res/CORVINET.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/CORVINET.rc PROPERTIES
                            OBJECT_DEPENDS "${RESOURCE_FILES}")
# The digest's header, for the start-up check of the built-in texts.
add_library(text_digest_include INTERFACE)
target_include_directories(text_digest_include INTERFACE ${CMAKE_BINARY_DIR}/generated)
