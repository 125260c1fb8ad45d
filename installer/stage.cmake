# Copies what Corvane ships into one folder: the programs stripped of their
# debugging information, the texts with Windows line ends.
#   cmake -DSTAGE=dir -DPROGRAMS="a.exe;b.exe" -DTEXTS="src=dest;..."
#         [-DCONVERTER=file -DCONVERTER_NAME=name] [-DSTRIP=tool]
#         -DVERSION=x.y.z -P stage.cmake
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")

function(stage_program source name)
  if(STRIP)
    execute_process(COMMAND "${STRIP}" --strip-all -o "${STAGE}/${name}" "${source}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot strip ${source}")
    endif()
  else()
    file(COPY_FILE "${source}" "${STAGE}/${name}")
  endif()
endfunction()

foreach(program IN LISTS PROGRAMS)
  cmake_path(GET program FILENAME name)
  stage_program("${program}" "${name}")
endforeach()
if(CONVERTER)
  stage_program("${CONVERTER}" "${CONVERTER_NAME}")
endif()

foreach(pair IN LISTS TEXTS)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 name)
  file(READ "${source}" text)
  string(REPLACE "@CORVANE_VERSION@" "${VERSION}" text "${text}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${STAGE}/${name}" "${text}")
endforeach()
