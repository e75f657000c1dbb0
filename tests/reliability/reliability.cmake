# The reliability tests run the built program and the upstream simulator as separate processes.
if(TARGET tests_reliability)
    target_compile_definitions(tests_reliability PRIVATE VRQ_EXECUTABLE="$<TARGET_FILE:vrqtoqx7>"
                                                         VRQ_UPSTREAM_SIM="$<TARGET_FILE:upstream-sim>"
        VRQ_PG_SERVER_SCRIPT="${PROJECT_SOURCE_DIR}/tests/scripts/pg-server.sh")
    add_dependencies(tests_reliability vrqtoqx7 upstream-sim)
    # The soak test: its own program and the label "soak"; VRQ_SOAK_SECONDS makes it longer.
    add_executable(tests_reliability_soak ${CMAKE_CURRENT_LIST_DIR}/soak/SoakTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ReliabilitySupport.cpp ${CMAKE_CURRENT_LIST_DIR}/ReliabilitySupport.h)
    target_include_directories(tests_reliability_soak PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(tests_reliability_soak PRIVATE vrq_test_support GTest::gtest_main)
    target_compile_definitions(tests_reliability_soak PRIVATE VRQ_EXECUTABLE="$<TARGET_FILE:vrqtoqx7>"
                                                              VRQ_UPSTREAM_SIM="$<TARGET_FILE:upstream-sim>")
    add_dependencies(tests_reliability_soak vrqtoqx7 upstream-sim)
    gtest_discover_tests(tests_reliability_soak NO_PRETTY_VALUES
        PROPERTIES LABELS soak TIMEOUT 7500
        DISCOVERY_TIMEOUT 60)
endif()
