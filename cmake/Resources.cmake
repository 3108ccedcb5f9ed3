# Language resource modules and the executable's own resources.
#
# One resource script per language (resources/lang/<language>.rc) is the only
# source of its texts. The Windows build compiles it into the resource-only
# library tw_rsrc_<language>.dll; the host build turns its string tables into a
# file of the same name beside the host executable, read by the host's module
# loader, so both targets show the same texts and fall back the same way.

set(QUELLORA_LANGUAGES english german)

function(quellora_language_modules exe)
  if(QUELLORA_WINDOWS)
    foreach(lang IN LISTS QUELLORA_LANGUAGES)
      set(target tw_rsrc_${lang})
      add_library(${target} SHARED ${PROJECT_SOURCE_DIR}/resources/lang/${lang}.rc)
      set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/lang/${lang}.rc PROPERTIES
        OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/tray_normal.ico;${PROJECT_SOURCE_DIR}/resources/tray_parked.ico")
      set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME tw_rsrc_${lang} LINKER_LANGUAGE C)
      target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
      # Resource only: no C runtime, no entry point.
      target_link_options(${target} PRIVATE -nostdlib -s -Wl,--entry=0)
      target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:--codepage=65001>)
      # The bitmaps the script takes in.
      set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/lang/${lang}.rc PROPERTIES
        OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/graph_emblem_light.bmp;${PROJECT_SOURCE_DIR}/resources/graph_emblem_dark.bmp")
      add_dependencies(${exe} ${target})
    endforeach()
  else()
    if(NOT TARGET rcstrings)
      add_executable(rcstrings ${PROJECT_SOURCE_DIR}/tools/rcstrings.cpp)
      target_link_libraries(rcstrings PRIVATE quellora_base)
      target_compile_options(rcstrings PRIVATE ${QUELLORA_WARNINGS})
    endif()
    set(outputs)
    foreach(lang IN LISTS QUELLORA_LANGUAGES)
      set(out ${CMAKE_BINARY_DIR}/tw_rsrc_${lang}.dll)
      add_custom_command(OUTPUT ${out}
        COMMAND rcstrings ${PROJECT_SOURCE_DIR}/resources/lang/${lang}.rc ${out}
        DEPENDS rcstrings ${PROJECT_SOURCE_DIR}/resources/lang/${lang}.rc
        COMMENT "String tables of tw_rsrc_${lang}.dll for the host")
      list(APPEND outputs ${out})
    endforeach()
    add_custom_target(language_modules ALL DEPENDS ${outputs})
    add_dependencies(${exe} language_modules)
  endif()
endfunction()

function(quellora_executable_resources exe)
  target_sources(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/resources/quellora.rc)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/quellora.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/quellora.manifest;${PROJECT_SOURCE_DIR}/resources/quellora.ico")
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
endfunction()
