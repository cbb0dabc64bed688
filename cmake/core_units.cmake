# Which sources build the pure core library and which the windows.
#
# The core (re2_core) is every source of the layer folders below that shows no window: it
# needs neither Qt nor the framework, and the command-line programs link it alone. Window
# files include the framework or the dialog templates: the dialogs (dlg_*), the controls
# they draw with, and the operations that open an editor, a file dialog or a chart; they
# build re2_program with app/ and res/. cmake/check_layers.cmake reads the same lists to
# check every include against the layers.
set(RE2_CORE_FOLDERS base link device measure export)
set(RE2_WINDOW_FILE_PATTERNS
  "/dlg_[a-z_0-9]*\\.(h|cpp)$"
  "/device/(borders|my_list_ctrl|settings_block_editing)\\.(h|cpp)$"
  "/device/(position|settings|statistics|przeglady|relays)_operations?\\.cpp$"
  "/measure/(recorder|chart)_operations\\.cpp$")

# True in out when the file (a full path) shows windows.
function(re2_is_window_file file out)
  set(result FALSE)
  foreach(pattern IN LISTS RE2_WINDOW_FILE_PATTERNS)
    if(file MATCHES "${pattern}")
      set(result TRUE)
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Sets out_core and out_window to the .cpp files of the layer folders, by kind; a
# program's main (main.cpp, re2_<name>_main.cpp) is in neither.
function(re2_split_sources out_core out_window)
  set(core "")
  set(window "")
  foreach(folder IN LISTS RE2_CORE_FOLDERS)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/(re2_[a-z_]+_)?main\\.cpp$")
    foreach(source IN LISTS sources)
      re2_is_window_file(${source} is_window)
      if(is_window)
        list(APPEND window ${source})
      else()
        list(APPEND core ${source})
      endif()
    endforeach()
  endforeach()
  set(${out_core} ${core} PARENT_SCOPE)
  set(${out_window} ${window} PARENT_SCOPE)
endfunction()
