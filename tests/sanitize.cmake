# Run-time options for the tests of the sanitizer build (KIVO_SANITIZE=ON); unset otherwise.
if(KIVO_SANITIZE)
    set(checks "halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1")
    # Our own code alone: leaks checked too; one entry, as test discovery splits lists.
    set(KIVO_UNIT_TEST_ENV "ASAN_OPTIONS=detect_leaks=1:${checks}")
    # Runs that load Mesa: no leak check, as its driver leaves allocations in a module unloaded
    # by exit, which no suppression can name; apitrace preloads ahead of the ASan runtime.
    set(KIVO_GL_TEST_ENV "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0:${checks}"
                         "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
