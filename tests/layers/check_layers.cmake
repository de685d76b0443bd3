# Fails when a file of a lower layer includes a header of a higher one:
# mp3/ includes nothing of ours but mp3/; core/ nothing of Qt, SDL, audio/ or
# ui/. Run as: cmake -DROOT=<source dir> -P check_layers.cmake
set(bad "")
function(check_folder folder pattern)
  file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" hits REGEX "${pattern}")
    foreach(h IN LISTS hits)
      file(RELATIVE_PATH rel "${ROOT}" "${f}")
      set(bad "${bad}\n  ${rel}: ${h}" PARENT_SCOPE)
    endforeach()
  endforeach()
endfunction()

set(ui_or_sound "#include [<\"](Q[A-Za-z]*|Qt[A-Za-z]*/|SDL|speex|audio/|ui/)")
check_folder(mp3 "#include \"(core|audio|ui)/|${ui_or_sound}")
check_folder(core "${ui_or_sound}")
if(NOT bad STREQUAL "")
  message(FATAL_ERROR "Includes that cross the layers:${bad}")
endif()
message(STATUS "layers: mp3 and core include neither Qt, SDL, audio nor ui")
