# clang-tidy (the repository's .clang-tidy) over every source under src/; skipped when clang-tidy is not
# installed. Not in sanitizer or fuzz builds: their flags are not the ones the checks are tuned for, and the
# source is the same. It runs one clang-tidy per processor, so CTest gives it every processor.
# It takes about ten minutes on two cores; -DVRQ_CLANG_TIDY_TEST=OFF leaves it out of a local build.
option(VRQ_CLANG_TIDY_TEST "Register the clang_tidy test" ON)
if(VRQ_CLANG_TIDY_TEST AND NOT VRQ_SANITIZE AND NOT VRQ_FUZZ)
    cmake_host_system_information(RESULT vrq_processors QUERY NUMBER_OF_LOGICAL_CORES)
    add_test(NAME clang_tidy
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/clang-tidy.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
    set_tests_properties(clang_tidy PROPERTIES LABELS clang_tidy SKIP_RETURN_CODE 77 TIMEOUT 3600
                                               PROCESSORS ${vrq_processors})
endif()
