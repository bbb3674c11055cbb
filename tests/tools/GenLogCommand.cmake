# Runs pelto-genlog as a user would: exit statuses, messages, files left behind.
# cmake -DGENLOG=<program> -DWORK=<scratch folder> -P GenLogCommand.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(expect_run expected_status stderr_pattern)
  execute_process(COMMAND "${GENLOG}" ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "pelto-genlog ${ARGN}: status ${status}, expected ${expected_status}\n${err}")
  endif()
  if(NOT err MATCHES "${stderr_pattern}")
    message(FATAL_ERROR "pelto-genlog ${ARGN}: message does not match '${stderr_pattern}':\n${err}")
  endif()
  set(last_stdout "${out}" PARENT_SCOPE)
endfunction()

# Bad arguments: status 2, usage shown, nothing created.
expect_run(2 "usage: pelto-genlog" --size 12X "${WORK}/bad.log")
expect_run(2 "no output file" --posts 3)
if(EXISTS "${WORK}/bad.log")
  message(FATAL_ERROR "a rejected command line created its output file")
endif()

# A folder that does not exist, and a device that is always full: status 1, and
# the device is not removed.
expect_run(1 "cannot create" --posts 3 "${WORK}/missing/out.log")
if(EXISTS /dev/full)
  expect_run(1 "cannot write" --posts 3 /dev/full)
  if(NOT EXISTS /dev/full)
    message(FATAL_ERROR "pelto-genlog removed /dev/full")
  endif()
endif()

# The same arguments write the same bytes, to a file or to standard output.
expect_run(0 "20 posts" --posts 20 --seed 4 "${WORK}/a.log")
expect_run(0 "20 posts" --posts 20 --seed 4 "${WORK}/b.log")
file(SHA256 "${WORK}/a.log" hash_a)
file(SHA256 "${WORK}/b.log" hash_b)
file(SIZE "${WORK}/a.log" size_a)
if(NOT hash_a STREQUAL hash_b OR size_a LESS 1000)
  message(FATAL_ERROR "two runs with one seed differ, or the log is nearly empty (${size_a} bytes)")
endif()
execute_process(COMMAND "${GENLOG}" --posts 20 --seed 4 - OUTPUT_FILE "${WORK}/c.log" RESULT_VARIABLE status ERROR_QUIET)
file(SHA256 "${WORK}/c.log" hash_c)
if(NOT status EQUAL 0 OR NOT hash_c STREQUAL hash_a)
  message(FATAL_ERROR "standard output differs from the file")
endif()
file(REMOVE_RECURSE "${WORK}")
