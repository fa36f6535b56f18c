# Compile settings shared by every target of the project.

# Warnings for every target of ours.
function(vexmora_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Core code: the system's quoted texts are GBK bytes in memory, so string literals are
# written as UTF-8 in the source and stored as GBK in the object code.
function(vexmora_core_target target)
    vexmora_warnings(${target})
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=GBK)
endfunction()

# Code that talks to Qt, curl or the OS in UTF-8 (the platform layer, the Qt view, tests of it).
function(vexmora_utf8_target target)
    vexmora_warnings(${target})
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=UTF-8)
endfunction()

# Adds a GoogleTest executable registered with CTest.
#   vexmora_add_test(NAME name SOURCES ... LIBS ... [GBK] [LABELS ...])
function(vexmora_add_test)
    cmake_parse_arguments(T "GBK" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    if(T_GBK)
        vexmora_core_target(${T_NAME})
    else()
        vexmora_utf8_target(${T_NAME})
    endif()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}"
                         TIMEOUT 300)
endfunction()
