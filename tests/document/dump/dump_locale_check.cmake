# `quenlor-cli dump` must print the same bytes and exit status under a locale
# whose decimal separator is a comma as under C. The Spanish locale is compiled
# into the build folder, so no system-wide locale set-up is needed.
find_program(LOCALEDEF localedef)
if(NOT LOCALEDEF)
  message(FATAL_ERROR "localedef not found (package locales)")
endif()
set(locdir ${WORK}/locales)
if(NOT EXISTS ${locdir}/es_ES.UTF-8/LC_NUMERIC)
  file(MAKE_DIRECTORY ${locdir})
  execute_process(COMMAND ${LOCALEDEF} -i es_ES -f UTF-8 ${locdir}/es_ES.UTF-8 RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT EXISTS ${locdir}/es_ES.UTF-8/LC_NUMERIC)
    message(FATAL_ERROR "could not compile the es_ES.UTF-8 locale (${rc})")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${CLI} dump ${INPUT}
                OUTPUT_VARIABLE out_c RESULT_VARIABLE rc_c)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LOCPATH=${locdir} LC_ALL=es_ES.UTF-8 ${CLI} dump ${INPUT}
                OUTPUT_VARIABLE out_es RESULT_VARIABLE rc_es)
if(NOT rc_c EQUAL rc_es OR NOT out_c STREQUAL out_es)
  message(FATAL_ERROR "dump differs between locales (${rc_c}/${rc_es}):\nC:\n${out_c}\nes_ES:\n${out_es}")
endif()
if(DEFINED EXPECTED)
  file(READ ${EXPECTED} expected)
  if(NOT out_es STREQUAL expected)
    message(FATAL_ERROR "dump output differs:\n${out_es}\nexpected:\n${expected}")
  endif()
endif()
