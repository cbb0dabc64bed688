# Which sources build the pure core library and which the windows.
#
# The core (re2_core) is every source of the layer folders below, outside their ui/
# subfolders: it needs neither Qt nor the framework, and the command-line programs link it
# alone. The window files of a folder (its dialogs, the controls they draw with and the
# operations that open an editor, a file dialog or a chart) lie in its ui/ subfolder and
# build re2_program with app/ and res/. cmake/check_layers.cmake checks the same split.
set(RE2_CORE_FOLDERS base link device measure export cli)

# Sets out_core and out_window to the .cpp files of the layer folders, by kind; a
# program's main (main.cpp, re2_<name>_main.cpp) is in neither.
function(re2_split_sources out_core out_window)
  set(core "")
  set(window "")
  foreach(folder IN LISTS RE2_CORE_FOLDERS)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/(re2_[a-z_]+_)?main\\.cpp$")
    list(APPEND core ${sources})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/ui/*.cpp)
    list(APPEND window ${sources})
  endforeach()
  set(${out_core} ${core} PARENT_SCOPE)
  set(${out_window} ${window} PARENT_SCOPE)
endfunction()
