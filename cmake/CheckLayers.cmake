# Fails when a folder of the product includes a header of a folder above it
# or beside it: layout/ is the lowest layer, engine/ builds on it, deskshell/
# and shellview/ on engine/ (neither on the other); shellext/ builds on
# deskshell/, cli/ and watch/ on shellview/, and none of these three on another.
#   cmake -DOSTREL_ROOT=<source folder> -P cmake/CheckLayers.cmake
set(forbidden_layout "engine|deskshell|shellview|shellext|cli|watch")
set(forbidden_engine "deskshell|shellview|shellext|cli|watch")
set(forbidden_deskshell "shellview|shellext|cli|watch")
set(forbidden_shellview "deskshell|shellext|cli|watch")
set(forbidden_shellext "shellview|cli|watch")
set(forbidden_cli "deskshell|shellext|watch")
set(forbidden_watch "deskshell|shellext|cli")

set(violations "")
foreach(layer layout engine deskshell shellview shellext cli watch)
  file(GLOB_RECURSE files ${OSTREL_ROOT}/${layer}/*.h ${OSTREL_ROOT}/${layer}/*.cpp
       ${OSTREL_ROOT}/${layer}/*.rc)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${forbidden_${layer}})/")
    foreach(line ${lines})
      file(RELATIVE_PATH name ${OSTREL_ROOT} ${file})
      string(APPEND violations "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point up or across the layers:\n${violations}")
endif()
message(STATUS "Every include points down the layers")
