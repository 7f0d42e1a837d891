# The layering the linker enforces. A core library (vemtra_<subsystem>) holds the
# protocol, file and worker code and may link Qt Core and Qt Serial Port only;
# the windows of a subsystem live in vemtra_<subsystem>_ui on top of it. Core
# libraries and the programs that must run without a display (vemtra-cli,
# vemtra-board) are checked once the whole project is configured: a dependency
# on Qt Gui, Qt Widgets or any *_ui library, direct or through another target,
# stops the configuration.

set(VEMTRA_FORBIDDEN_IN_CORE Qt6::Gui Qt6::Widgets Qt6::GuiPrivate Qt6::WidgetsPrivate)

# A core library made like vemtra_add_library, and checked as above.
function(vemtra_add_core_library name)
  vemtra_add_library(${name} ${ARGN})
  vemtra_require_core(${name})
endfunction()

# Marks targets (libraries or programs) that must stay free of Gui and Widgets.
function(vemtra_require_core)
  set_property(GLOBAL APPEND PROPERTY VEMTRA_CORE_TARGETS ${ARGN})
endfunction()

# The real name behind an alias (Qt::Widgets is Qt6::Widgets).
function(_vemtra_real_target dep out)
  set(real ${dep})
  if(TARGET ${dep})
    get_target_property(aliased ${dep} ALIASED_TARGET)
    if(aliased)
      set(real ${aliased})
    endif()
  endif()
  set(${out} ${real} PARENT_SCOPE)
endfunction()

# Every target `target` links, directly or through others.
function(_vemtra_link_closure target out)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    _vemtra_real_target(${current} current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    set(deps "")
    get_target_property(imported ${current} IMPORTED)
    get_target_property(type ${current} TYPE)
    if(NOT imported AND NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND deps ${direct})
      endif()
    endif()
    get_target_property(iface ${current} INTERFACE_LINK_LIBRARIES)
    if(iface)
      list(APPEND deps ${iface})
    endif()
    foreach(dep ${deps})
      # $<LINK_ONLY:X> still links X; other generator expressions name no target.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
      if(NOT dep MATCHES "^\\$<" AND TARGET ${dep})
        list(APPEND queue ${dep})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_ITEM seen ${target})
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_vemtra_check_layering)
  get_property(targets GLOBAL PROPERTY VEMTRA_CORE_TARGETS)
  foreach(target ${targets})
    if(NOT TARGET ${target})
      continue()
    endif()
    _vemtra_link_closure(${target} closure)
    foreach(dep ${closure})
      if(dep IN_LIST VEMTRA_FORBIDDEN_IN_CORE OR dep MATCHES "_ui$" OR dep STREQUAL "vemtra_appcore")
        message(FATAL_ERROR "${target} must link core libraries only, but it reaches ${dep}. "
                            "Widget code belongs in a *_ui library or in src/app.")
      endif()
    endforeach()
  endforeach()
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _vemtra_check_layering)
