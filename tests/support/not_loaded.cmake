# quenlor_check_not_loaded(PROGRAM PATTERN WHAT): fails the script when the
# dynamic loader would bring in a library whose name matches PATTERN as
# PROGRAM starts; WHAT names that library in the message. Where there is no
# ldd, nothing is checked.
function(quenlor_check_not_loaded program pattern what)
  find_program(LDD ldd)
  if(NOT LDD)
    return()
  endif()
  execute_process(COMMAND ${LDD} ${program} OUTPUT_VARIABLE libs)
  if(libs MATCHES "${pattern}")
    message(SEND_ERROR "${program} loads ${what} at start-up:\n${libs}")
  endif()
endfunction()
