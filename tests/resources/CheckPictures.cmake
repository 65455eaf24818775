# Draws the pictures again into a scratch folder and compares them with the committed ones,
# so that the resources are always what the drawing script makes.
#   cmake -DPYTHON=... -DSOURCE=<repository> -DOUT=<scratch folder> -P CheckPictures.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${PYTHON}" "${SOURCE}/src/resources/DrawPictures.py" --out "${OUT}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "DrawPictures.py failed: ${result}")
endif()
file(GLOB drawn RELATIVE "${OUT}" "${OUT}/*")
list(LENGTH drawn count)
if(NOT count EQUAL 11)
  message(FATAL_ERROR "expected 11 pictures, the script drew ${count}: ${drawn}")
endif()
foreach(name IN LISTS drawn)
  if(name STREQUAL "resource-pictures.png")
    set(committed "${SOURCE}/docs/${name}")
  else()
    set(committed "${SOURCE}/src/resources/${name}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${name}" "${committed}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${committed} is not what DrawPictures.py draws: run the script")
  endif()
endforeach()
