# The Debian package end to end: build it with CPack, install it into a scratch root (for real in CI),
# run the installed programs on generated data and check the user unit with systemd-analyze.
# `ctest -L package_install` finds it. A sanitizer build is never packaged.
if(VRQ_WITH_UI AND NOT VRQ_SANITIZE AND TARGET vrq-gen)
    add_test(NAME package_install
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package-install.sh ${PROJECT_BINARY_DIR}
                     $<TARGET_FILE:vrq-gen> ${PROJECT_VERSION})
    set_tests_properties(package_install PROPERTIES LABELS package_install TIMEOUT 600)
endif()
