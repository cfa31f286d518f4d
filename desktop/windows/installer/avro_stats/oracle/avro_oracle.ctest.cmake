# Cross-check of the statistics encoder with python3-avro: the Wine side writes
# messages, then the native side decodes, compares and re-encodes them.
set(avro_oracle_dir ${CMAKE_BINARY_DIR}/avro_oracle)
set(avro_oracle_source ${CMAKE_CURRENT_LIST_DIR})

# Messages of an earlier run must never be what gets checked.
add_test(NAME avro_oracle_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${avro_oracle_dir})
set_tests_properties(avro_oracle_clean PROPERTIES FIXTURES_SETUP avro_oracle_clean TIMEOUT 30)

# The test maps the Unix path to Wine's Z: drive itself.
add_test(NAME avro_oracle_write
         COMMAND ${wine_test} ${env_dir} ${TARVO_WINEPREFIX}
                 $<TARGET_FILE:installer_unittests> --gtest_filter=AvroOracleTest.*:AvroOracleEventsTest.*)
set_tests_properties(avro_oracle_write PROPERTIES
    FIXTURES_REQUIRED "wine;avro_oracle_clean"
    FIXTURES_SETUP avro_oracle_messages
    ENVIRONMENT "TARVO_AVRO_ORACLE_DIR=${avro_oracle_dir}"
    # A skipped test would leave nothing to check: treat it as a failure.
    FAIL_REGULAR_EXPRESSION "SKIPPED"
    TIMEOUT 120)

add_test(NAME avro_oracle_check
         COMMAND /usr/bin/python3 ${avro_oracle_source}/check_avro_messages.py
                 ${avro_oracle_source}/tarvo_desktop_installer.avsc ${avro_oracle_dir})
set_tests_properties(avro_oracle_check PROPERTIES
    FIXTURES_REQUIRED avro_oracle_messages
    TIMEOUT 120)
