# Generates the small set three times, twice with one seed and once with
# another, and fails unless the first two are identical file by file and the
# third differs. Run with -DGENERATOR=<tallyrpt-gentrace> -DWORK_DIR=<dir>.
file(REMOVE_RECURSE ${WORK_DIR})

foreach(run first second other)
  set(seed 7)
  if(run STREQUAL other)
    set(seed 8)
  endif()
  execute_process(COMMAND ${GENERATOR} --size S --seed ${seed} --repeat 2 --out ${WORK_DIR}/${run}
                  RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "generator failed for the ${run} set: ${status}")
  endif()
endforeach()

file(GLOB names RELATIVE ${WORK_DIR}/first ${WORK_DIR}/first/*)
file(GLOB second_names RELATIVE ${WORK_DIR}/second ${WORK_DIR}/second/*)
list(LENGTH names count)
if(count LESS 4 OR NOT names STREQUAL second_names)
  message(FATAL_ERROR "unexpected file sets: '${names}' and '${second_names}'")
endif()
foreach(name ${names})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/first/${name} ${WORK_DIR}/second/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${name} differs between two runs with the same seed")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/first/run.tdf ${WORK_DIR}/other/run.tdf
                RESULT_VARIABLE differs)
if(NOT differs)
  message(FATAL_ERROR "run.tdf is the same for seeds 7 and 8")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
