# The Debian package end to end: build it with CPack, install it into a scratch root (for real in CI,
# with an upgrade from an older build and a removal), run the installed programs on generated data and
# check the user unit with systemd-analyze. Beside it, lintian on the same package.
# `ctest -L package_install` finds the first, `ctest -L package` both. A sanitizer build is never packaged.
# Both build the package from the same build folder, and CI installs it for real: they never run at once.
if(VRQ_WITH_UI AND NOT VRQ_SANITIZE AND TARGET vrq-gen)
    add_test(NAME package_install
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package-install.sh ${PROJECT_BINARY_DIR}
                     $<TARGET_FILE:vrq-gen> ${PROJECT_VERSION})
    set_tests_properties(package_install PROPERTIES LABELS package_install TIMEOUT 600
                                                    RESOURCE_LOCK vrq_package)
    add_test(NAME package_lintian
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package-lintian.sh ${PROJECT_BINARY_DIR})
    set_tests_properties(package_lintian PROPERTIES LABELS package_lintian TIMEOUT 600
                                                    RESOURCE_LOCK vrq_package)
endif()
