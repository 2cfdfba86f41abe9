cmake_minimum_required(VERSION 3.25)
# Fails when a GUI file includes from a layer above its own:
# base < account, views (and later burn, batch, update) < shell.
set(above_base account views burn batch update shell)

function(check_folder folder)
  file(GLOB files ${APP}/${folder}/*.h ${APP}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" group "${line}")
      if(group IN_LIST ARGN)
        message(SEND_ERROR "${file}: ${line} reaches up into ${group}/")
      endif()
    endforeach()
  endforeach()
endfunction()

check_folder(base ${above_base})
foreach(feature account views burn batch update)
  check_folder(${feature} shell)
endforeach()
