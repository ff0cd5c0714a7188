# Runs recognize-cli once and checks its exit status and output. Called by ctest with:
#   CLI           the program
#   ARGS          its arguments, separated by |
#   WORKDIR       where it runs
#   EXPECT_RC     the exit status it must give (default 0)
#   STDOUT        the exact text stdout must hold (\n written as a line feed)
#   STDOUT_REGEX, STDERR_REGEX   patterns that stdout / stderr must match
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
if(DEFINED STDOUT_REGEX AND NOT out MATCHES "${STDOUT_REGEX}")
  message(FATAL_ERROR "stdout does not match ${STDOUT_REGEX}")
endif()
if(DEFINED STDERR_REGEX AND NOT err MATCHES "${STDERR_REGEX}")
  message(FATAL_ERROR "stderr does not match ${STDERR_REGEX}")
endif()
