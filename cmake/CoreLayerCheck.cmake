# The layer rule of src/core: its files include the Qt Core module, the two libraries' headers,
# the system's and each other ("core/..."), never a widget or GUI header of Qt and never a file
# of src/gui or src/app. Used at configure time (w2m_check_core_layer) and as a test
# (cmake -DW2M_CORE_DIR=... -P CoreLayerCheck.cmake).

# A Qt header counts as Qt Core's when it lies in QtCore's own folder ("QObject") or is named
# with that module ("QtCore/QObject"); any other (QtWidgets, QtGui, ...) is refused.

function(w2m_core_layer_violations core_dir qtcore_dir out)
  file(GLOB_RECURSE sources ${core_dir}/*.h ${core_dir}/*.cpp)
  set(found "")
  foreach(f ${sources})
    file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" header "${line}")
      set(bad FALSE)
      if(line MATCHES "include[ \t]*\"")
        # Our own headers are named from src/: only core's own may be included here.
        if(NOT header MATCHES "^core/")
          set(bad TRUE)
        endif()
      elseif(header MATCHES "^(Qt[A-Za-z]+)/")
        if(NOT CMAKE_MATCH_1 STREQUAL "QtCore")
          set(bad TRUE)
        endif()
      elseif(header MATCHES "^Q[A-Z][A-Za-z]*$" AND qtcore_dir)
        if(NOT EXISTS ${qtcore_dir}/${header})
          set(bad TRUE)
        endif()
      endif()
      if(bad)
        file(RELATIVE_PATH rel ${core_dir} ${f})
        list(APPEND found "${rel}: ${header}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

function(w2m_check_core_layer core_dir)
  get_target_property(qt_includes Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
  set(qtcore_dir "")
  foreach(d ${qt_includes})
    if(d MATCHES "/QtCore$" AND EXISTS ${d}/QObject)
      set(qtcore_dir ${d})
    endif()
  endforeach()
  if(NOT qtcore_dir)
    message(FATAL_ERROR "QtCore's header folder not found; the core layer cannot be checked")
  endif()
  w2m_core_layer_violations(${core_dir} ${qtcore_dir} found)
  if(found)
    string(REPLACE ";" "\n  " listed "${found}")
    message(FATAL_ERROR "src/core includes what it must not (widgets or src/gui):\n  ${listed}")
  endif()
  # The same check as a test, so an include added without a new configuration fails too.
  add_test(NAME core_layer_check
           COMMAND ${CMAKE_COMMAND} -DW2M_CORE_DIR=${core_dir} -DW2M_QTCORE_DIR=${qtcore_dir}
                   -P ${CMAKE_SOURCE_DIR}/cmake/CoreLayerCheck.cmake)
  set_tests_properties(core_layer_check PROPERTIES TIMEOUT 30)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND W2M_CORE_DIR)
  w2m_core_layer_violations(${W2M_CORE_DIR} "${W2M_QTCORE_DIR}" found)
  if(found)
    string(REPLACE ";" "\n  " listed "${found}")
    message(FATAL_ERROR "src/core includes what it must not (widgets or src/gui):\n  ${listed}")
  endif()
  message(STATUS "src/core includes no widget header and nothing of src/gui")
endif()
