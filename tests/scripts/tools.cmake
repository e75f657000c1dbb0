# The test-data generator answers --help like any command: its usage on the standard output, exit 0.
if(TARGET vrq-gen)
    add_test(NAME vrq_gen_help
             COMMAND sh -c "usage=$(\"$0\" --help 2>/dev/null) && echo \"$usage\" | grep -q 'usage: vrq-gen databin'"
                     $<TARGET_FILE:vrq-gen>)
endif()
