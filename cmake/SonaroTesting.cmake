# sonaro_add_test(<name> LABEL <folder> SOURCES <files...> [LIBS <targets...>]
#                 [TIMEOUT <seconds>] [GUI] [X11])
# One GoogleTest executable per call, registered with CTest under the
# folder's label. GUI tests run on the offscreen Qt platform; X11 tests on a
# private X display with a window manager (skipped where none can be started).
function(sonaro_add_test name)
    cmake_parse_arguments(T "GUI;X11" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_LABEL)
        message(FATAL_ERROR "sonaro_add_test(${name}) needs a LABEL")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock sonaro_test_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    if(T_X11)
        add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/support/x11/with-window-manager.sh $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS ${T_LABEL}
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SONARO_BIN_DIR=${SONARO_BIN_DIR};SONARO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt,
# so each area keeps its build rules to itself.
function(sonaro_add_subfolders)
    file(GLOB _children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT _children)
    foreach(_child IN LISTS _children)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
            add_subdirectory(${_child})
        endif()
    endforeach()
endfunction()
