# Runs recognize-cli once and checks what it did. Called as a ctest command with:
#   CLI        the program
#   ARGS       its arguments, separated by |
#   WORKDIR    where it runs
#   EXPECT_RC  the exit status it must give (default 0)
#   STDOUT     the exact text stdout must hold (\n written as a line feed)
#   STDOUT_FILE   a file whose content stdout must equal
#   STDOUT_REGEX, STDERR_REGEX   patterns that stdout / stderr must match
#   COMPARE    output|expected: two files (relative to WORKDIR) that must be equal
#   SIZE       file|bytes: a file that must have this size
#   ABSENT     a file that must not exist afterwards
if(NOT DEFINED EXPECT_RC)
  set(EXPECT_RC 0)
endif()
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${CLI} ${args}
                WORKING_DIRECTORY ${WORKDIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "exit status ${rc}\nstdout: [${out}]\nstderr: ${err}")
if(NOT rc STREQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, expected ${EXPECT_RC}")
endif()
if(DEFINED STDOUT)
  string(REPLACE "\\n" "\n" expected "${STDOUT}")
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "stdout is not [${expected}]")
  endif()
endif()
if(DEFINED STDOUT_FILE)
  file(READ ${WORKDIR}/${STDOUT_FILE} expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "stdout differs from ${STDOUT_FILE}:\n${expected}")
  endif()
endif()
if(DEFINED STDOUT_REGEX AND NOT out MATCHES "${STDOUT_REGEX}")
  message(FATAL_ERROR "stdout does not match ${STDOUT_REGEX}")
endif()
if(DEFINED STDERR_REGEX AND NOT err MATCHES "${STDERR_REGEX}")
  message(FATAL_ERROR "stderr does not match ${STDERR_REGEX}")
endif()
if(DEFINED COMPARE)
  string(REPLACE "|" ";" files "${COMPARE}")
  list(GET files 0 output)
  list(GET files 1 expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${output} ${expected}
                  WORKING_DIRECTORY ${WORKDIR} RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${output} differs from ${expected}")
  endif()
endif()
if(DEFINED SIZE)
  string(REPLACE "|" ";" parts "${SIZE}")
  list(GET parts 0 name)
  list(GET parts 1 bytes)
  file(SIZE ${WORKDIR}/${name} actual)
  if(NOT actual EQUAL bytes)
    message(FATAL_ERROR "${name} has ${actual} bytes, expected ${bytes}")
  endif()
endif()
if(DEFINED ABSENT AND EXISTS ${WORKDIR}/${ABSENT})
  message(FATAL_ERROR "${ABSENT} exists")
endif()
