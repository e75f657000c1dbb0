cmake_minimum_required(VERSION 3.25)
# Fails when a source includes a header of a layer above its own, when one job includes another, when a
# layer above the store includes one of its engines (store/sqlite, store/pg) rather than its interfaces,
# or when the program includes the store's probe, which is for the tests.
# The layers, lowest first: platform, settings, store, context, the jobs (intake, export, audit), shell,
# ui, and report, the command-line report program, which prints with the windows' printing part. The two
# files at the top of src/ are held to theirs too: the program's main starts the core through the shell
# and loads the windows as a module, so it may not include ui; the module opens the windows.
# Run as: cmake -DSRC=<src folder> -P LayerCheck.cmake
set(allowed_platform platform)
set(allowed_settings platform settings)
set(allowed_store platform settings store)
set(allowed_context platform settings store context)
set(allowed_intake platform settings store context intake)
set(allowed_export platform settings store context export)
set(allowed_audit platform settings store context audit)
set(allowed_shell platform settings store context intake export audit shell)
set(allowed_ui platform settings store context intake export audit shell ui)
set(allowed_report platform settings store context intake export audit shell ui report)
set(layers platform settings store context intake export audit shell ui report)
set(allowed_main.cpp platform settings store context shell)
set(allowed_WindowModule.cpp platform settings store context shell ui)
set(top_files main.cpp WindowModule.cpp)

# A relative folder is taken from where the check is run.
cmake_path(ABSOLUTE_PATH SRC NORMALIZE)
set(violations "")
foreach(layer IN LISTS layers top_files)
    if(layer IN_LIST top_files)
        set(sources "${SRC}/${layer}")
    else()
        file(GLOB_RECURSE sources "${SRC}/${layer}/*.cpp" "${SRC}/${layer}/*.h")
    endif()
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z]+)/.*" "\\1" target "${line}")
            if(NOT target IN_LIST allowed_${layer})
                file(RELATIVE_PATH shown "${SRC}" "${source}")
                string(APPEND violations "  ${shown}: ${line} (${layer} may include only: ${allowed_${layer}})\n")
            endif()
            # Above the store the program sees only its interfaces, never the engine behind them.
            if(line MATCHES "\"store/(sqlite|pg)/" AND NOT layer STREQUAL "store")
                file(RELATIVE_PATH shown "${SRC}" "${source}")
                string(APPEND violations "  ${shown}: ${line} (above the store only its interfaces are seen)\n")
            endif()
            # The store's probe reaches its tables behind its methods: for the tests, never the program.
            if(line MATCHES "\"store/StoreProbe\\.h\"" AND NOT source MATCHES "/store/StoreProbe\\.cpp$")
                file(RELATIVE_PATH shown "${SRC}" "${source}")
                string(APPEND violations "  ${shown}: ${line} (the store probe is for the tests only)\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that run up a layer, across jobs, into the store's engines or into the tests' store probe:\n${violations}")
endif()
