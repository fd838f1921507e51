# Runs datgen at a small size and checks its output with expatpass: both DATs parse, hold the
# sets, ROMs and disks datgen reports, differ from each other, and come out the same on a rerun.
# Invoked by CTest with -DDATGEN=... -DEXPATPASS=... -DWORK_DIR=...

function(generate folder out_report)
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND ${DATGEN} --sets 400 ${folder}/old.xml ${folder}/new.xml
                  RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "datgen failed (${status}): ${errors}")
  endif()
  set(${out_report} "${report}" PARENT_SCOPE)
endfunction()

# The count that a "name value" or "name=value" pair in text gives.
function(count_in text name out_count)
  if(NOT text MATCHES "(^|[ \n])${name}[ =]([0-9]+)")
    message(FATAL_ERROR "no ${name} count in: ${text}")
  endif()
  set(${out_count} ${CMAKE_MATCH_2} PARENT_SCOPE)
endfunction()

function(check_dat path report_line)
  execute_process(COMMAND ${EXPATPASS} ${path} machine rom disk
                  RESULT_VARIABLE status OUTPUT_VARIABLE parsed ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "expatpass cannot parse ${path}: ${errors}")
  endif()
  foreach(pair "machine;sets" "rom;roms" "disk;disks")
    list(GET pair 0 element)
    list(GET pair 1 key)
    count_in("${parsed}" ${element} parsed_count)
    count_in("${report_line}" ${key} reported_count)
    if(NOT parsed_count EQUAL reported_count)
      message(FATAL_ERROR "${path}: ${parsed_count} <${element}> elements, datgen reported ${reported_count}")
    endif()
  endforeach()
  file(SIZE ${path} size)
  count_in("${report_line}" bytes reported_size)
  if(NOT size EQUAL reported_size)
    message(FATAL_ERROR "${path}: ${size} bytes, datgen reported ${reported_size}")
  endif()
endfunction()

generate(${WORK_DIR}/first report)
string(REPLACE "\n" ";" report_lines "${report}")
list(GET report_lines 0 old_line)
list(GET report_lines 1 new_line)
check_dat(${WORK_DIR}/first/old.xml "${old_line}")
check_dat(${WORK_DIR}/first/new.xml "${new_line}")

file(SHA256 ${WORK_DIR}/first/old.xml old_hash)
file(SHA256 ${WORK_DIR}/first/new.xml new_hash)
if(old_hash STREQUAL new_hash)
  message(FATAL_ERROR "the changed copy is identical to the original")
endif()

generate(${WORK_DIR}/second ignored)
file(SHA256 ${WORK_DIR}/second/old.xml old_again)
file(SHA256 ${WORK_DIR}/second/new.xml new_again)
if(NOT old_hash STREQUAL old_again OR NOT new_hash STREQUAL new_again)
  message(FATAL_ERROR "datgen wrote different files from the same seed")
endif()
