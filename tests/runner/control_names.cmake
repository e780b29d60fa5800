# The runner's table of control names, made from the id table at configure time: every
# `inline constexpr int NAME = VALUE;` of src/core/control_ids.h with the namespace it stands in. The
# entries name the constants themselves, so a table that went wrong would not compile.
function(mivo_write_control_names ids out)
  file(READ "${ids}" text)
  # One list element per line; the semicolons the lines end with would split them further.
  string(REPLACE ";" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(ns "")
  set(entries "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^namespace ([a-z0-9]+) {")
      set(ns "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^} // namespace ${ns}$")
      set(ns "")
    elseif(ns AND line MATCHES "^inline constexpr int ([A-Za-z0-9_]+) = [0-9]+")
      string(APPEND entries "    {\"${ns}\", \"${CMAKE_MATCH_1}\", mivo::ids::${ns}::${CMAKE_MATCH_1}},\n")
    endif()
  endforeach()
  file(WRITE "${out}.new" "// Made by tests/runner/control_names.cmake from src/core/control_ids.h.\n${entries}")
  # Unchanged contents keep the old file's time, so nothing is rebuilt for nothing.
  configure_file("${out}.new" "${out}" COPYONLY)
endfunction()
