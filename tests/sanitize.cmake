# Run-time options for the tests of the sanitizer build (KIVO_SANITIZE=ON); empty otherwise.
set(KIVO_UNIT_TEST_ENV "")
set(KIVO_GL_TEST_ENV "")
if(KIVO_SANITIZE)
    set(checks "halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1")
    set(ubsan "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    # Our own code alone: leaks are checked too. One entry only, since test discovery splits
    # lists; undefined behaviour is fatal anyway (-fno-sanitize-recover).
    set(KIVO_UNIT_TEST_ENV "ASAN_OPTIONS=detect_leaks=1:${checks}")
    # Runs that load Mesa: its driver leaves allocations behind in a module already unloaded at
    # exit, which no suppression can name, so no leak check. apitrace preloads its wrapper ahead
    # of the ASan runtime, which ASan refuses unless its link-order check is off.
    set(KIVO_GL_TEST_ENV "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0:${checks}" "${ubsan}")
endif()
