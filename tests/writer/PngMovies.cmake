# tqpack make on the folder of PNG pictures in tests/data/png, at 32 and at 8 bits.
#   cmake -DTQPACK=<program> [-DEMULATOR=<runner>] -DPICTURES=<folder> -DOUT=<folder>
#         -DPREFIX=<name> [-DCOMPARE=<folder>] -P PngMovies.cmake
# writes <OUT>/<PREFIX>-<depth>.tqf; with COMPARE, each movie must have the same bytes as the
# movie of the same name with the prefix "native" there, which the native build's tests wrote.
foreach(depth 32 8)
  set(movie "${OUT}/${PREFIX}-${depth}.tqf")
  execute_process(
    COMMAND ${EMULATOR} ${TQPACK} make ${PICTURES} ${movie} --depth ${depth}
            --time 2024-05-06T07:08:09 --name "PNG pictures"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "tqpack make at ${depth} bits failed (${result}):\n${output}${errors}")
  endif()
  message(STATUS "${output}")
  if(COMPARE)
    set(native "${COMPARE}/native-${depth}.tqf")
    if(NOT EXISTS "${native}")
      message(STATUS "SKIPPED: no ${native}: run the native build's tests first")
      return()
    endif()
    file(SHA256 "${native}" expected)
    file(SHA256 "${movie}" got)
    if(NOT got STREQUAL expected)
      message(FATAL_ERROR "${movie} differs from ${native}")
    endif()
    message(STATUS "${depth} bits: the same bytes as the native build's movie (SHA-256 ${got})")
  endif()
endforeach()
