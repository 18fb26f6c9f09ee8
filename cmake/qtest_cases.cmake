# Run after a QtTest binary is built: lists its test functions (-functions) and writes a ctest
# file with one case per function, so ctest counts and reruns them one by one.
# Inputs: EXECUTABLE, PREFIX, OUTPUT.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${EXECUTABLE} -functions
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${EXECUTABLE} -functions failed (${result}):\n${listing}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(content "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
    set(name ${CMAKE_MATCH_1})
    string(APPEND content "add_test([=[${PREFIX}.${name}]=] [=[${EXECUTABLE}]=] [=[${name}]=])\n"
           "set_tests_properties([=[${PREFIX}.${name}]=] PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${EXECUTABLE} lists no test functions")
endif()
file(WRITE ${OUTPUT} "${content}")
