# A panel's fuzz test (quon_add_panel ... FUZZ): runs the fuzz target for
# SECONDS on the corpus it keeps in WORK, which grows from run to run. When
# it finds a fault, each input it saved is played again by the target with
# QUON_FUZZ_SCENARIO set, which writes the events that led to the fault as
# a saved case in FAILURES; "panel_host cut" cuts it down; the test fails
# naming the files.
#   cmake -DFUZZER=prog -DLIBRARY=lib [-DPANEL_HOST=prog] -DSECONDS=s -DMEMORY_MB=mb -DWORK=dir -DFAILURES=dir -P this
set(artifacts ${WORK}/artifacts)
file(REMOVE_RECURSE ${artifacts})
file(MAKE_DIRECTORY ${WORK}/corpus ${artifacts})
# The dictionary of the names and values the panel cares about, written by the target.
set(dictionary ${WORK}/values.dict)
file(REMOVE ${dictionary})
execute_process(COMMAND ${CMAKE_COMMAND} -E env QUON_FUZZ_DICTIONARY=${dictionary} ${FUZZER} RESULT_VARIABLE written)
set(dict "")
if(written EQUAL 0 AND EXISTS ${dictionary})
  file(SIZE ${dictionary} size)
  if(size GREATER 0) # libFuzzer refuses an empty one
    set(dict -dict=${dictionary})
  endif()
endif()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=${MEMORY_MB} -print_final_stats=1
                        ${dict} -artifact_prefix=${artifacts}/ ${WORK}/corpus
                RESULT_VARIABLE status)
file(GLOB found ${artifacts}/*)
if(status EQUAL 0 AND NOT found)
  message("fuzz: no fault in ${SECONDS} s")
  return()
endif()
if(NOT found)
  message(FATAL_ERROR "fuzz: the fuzzer ended with ${status} and saved no input")
endif()

file(MAKE_DIRECTORY ${FAILURES})
set(saved "")
foreach(input IN LISTS found)
  get_filename_component(stem ${input} NAME)
  set(case ${FAILURES}/${stem}.scn)
  file(REMOVE ${case})
  # What libFuzzer found, by the name it gave the input: a sanitizer's exit
  # status is no fault of the panel's to replay.
  set(kind crash)
  if(stem MATCHES "^timeout-")
    set(kind hang)
  elseif(stem MATCHES "^oom-")
    set(kind out-of-memory)
  elseif(stem MATCHES "^leak-")
    set(kind leak)
  endif()
  # The input ends the target again; the case is what it wrote before.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QUON_FUZZ_SCENARIO=${case} QUON_FUZZ_KIND=${kind}
                          ${FUZZER} -timeout=10 ${input}
                  OUTPUT_QUIET ERROR_QUIET)
  if(NOT EXISTS ${case})
    message("fuzz: ${input} wrote no scenario (the fault came before the first event, or not again)")
    continue()
  endif()
  if(PANEL_HOST AND EXISTS ${PANEL_HOST})
    execute_process(COMMAND ${PANEL_HOST} cut ${LIBRARY} ${case})
  else()
    message("fuzz: no panel_host to cut ${case} with; saved whole (build the panel_host target to cut it)")
  endif()
  list(APPEND saved ${case})
endforeach()
list(JOIN saved "\n  " names)
message(FATAL_ERROR "fuzz: a fault found; the inputs are in ${artifacts}, the cases (panel_host run replays them):\n  ${names}")
