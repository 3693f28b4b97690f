# Sanitizer run-time options for the ctest runs of the sanitizer build (KIVO_SANITIZE=ON).
# Include it in each directory with tests (tests/ before tests/soak): it sets their environment.
if(NOT KIVO_SANITIZE)
    return()
endif()

set(_asan_checks "halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1")
set(_ubsan "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# Tests of our code alone: leaks are checked too.
set(KIVO_UNIT_SANITIZER_ENV "ASAN_OPTIONS=detect_leaks=1:${_asan_checks}" "${_ubsan}")

# Tests labelled gl load Mesa, whose driver leaves allocations behind when it is unloaded at
# exit: no leak check. apitrace puts its wrapper in LD_PRELOAD ahead of the ASan runtime,
# which ASan refuses unless its link-order check is off.
set(KIVO_E2E_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0:${_asan_checks}" "${_ubsan}")

function(kivo_apply_sanitizer_env)
    get_property(declared DIRECTORY PROPERTY TESTS)
    foreach(test ${declared})
        get_property(labels TEST ${test} PROPERTY LABELS)
        if("gl" IN_LIST labels)
            set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${KIVO_E2E_SANITIZER_ENV})
        else()
            set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${KIVO_UNIT_SANITIZER_ENV})
        endif()
    endforeach()
    # gtest_discover_tests names its tests only when ctest runs, so their environment is set
    # by a file that ctest includes after gtest's own, once unit_tests_TESTS is known.
    if(NOT TARGET unit_tests)
        return()
    endif()
    get_property(unit_dir TARGET unit_tests PROPERTY SOURCE_DIR)
    if(NOT unit_dir STREQUAL CMAKE_CURRENT_SOURCE_DIR)
        return()
    endif()
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/unit_sanitizer_env.cmake
         "if(unit_tests_TESTS)\n"
         "  set_tests_properties(\${unit_tests_TESTS} PROPERTIES ENVIRONMENT \"${KIVO_UNIT_SANITIZER_ENV}\")\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
                 ${CMAKE_CURRENT_BINARY_DIR}/unit_sanitizer_env.cmake)
endfunction()
# Deferred to the end of the directory, so tests declared after the include are covered.
cmake_language(DEFER CALL kivo_apply_sanitizer_env)
