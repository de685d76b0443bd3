# Fails when the command line program links Qt or SDL: it is built on the
# core alone. Run as: cmake -DCLI=<path> -P check_cli_links.cmake
execute_process(COMMAND ldd "${CLI}" OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd failed on ${CLI}")
endif()
if(libs MATCHES "libQt|libSDL|libspeexdsp")
  message(FATAL_ERROR "tessivo-cli links a window or sound library:\n${libs}")
endif()
if(NOT libs MATCHES "libmpg123")
  message(FATAL_ERROR "unexpected ldd output for ${CLI}:\n${libs}")
endif()
