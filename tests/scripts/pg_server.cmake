# The throw-away PostgreSQL server the tests in tests/pg use: started once before them, stopped after.
set(VRQ_TEST_PG_SOCKET ${CMAKE_CURRENT_BINARY_DIR}/pg-server)
add_test(NAME pg_server_start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/pg-server.sh start ${VRQ_TEST_PG_SOCKET})
add_test(NAME pg_server_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/pg-server.sh stop ${VRQ_TEST_PG_SOCKET})
set_tests_properties(pg_server_start PROPERTIES FIXTURES_SETUP pg_server SKIP_RETURN_CODE 77 TIMEOUT 120)
set_tests_properties(pg_server_stop PROPERTIES FIXTURES_CLEANUP pg_server TIMEOUT 120)

file(GLOB VRQ_PG_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/pg/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/pg/*.h)
add_executable(tests_pg ${VRQ_PG_TEST_SOURCES})
target_link_libraries(tests_pg PRIVATE vrq_test_support GTest::gtest_main)
target_compile_definitions(tests_pg PRIVATE VRQ_PG_SERVER_SCRIPT="${CMAKE_CURRENT_SOURCE_DIR}/scripts/pg-server.sh")
gtest_discover_tests(tests_pg NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "VRQ_TEST_PG_SOCKET=${VRQ_TEST_PG_SOCKET}" FIXTURES_REQUIRED pg_server
    DISCOVERY_TIMEOUT 60)
