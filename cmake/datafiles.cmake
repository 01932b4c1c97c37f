# Copy the files that ship beside the executable into bin/ at build time.
file(GLOB_RECURSE _mousecfg_data CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/data/* ${CMAKE_SOURCE_DIR}/i18n/*)
set(_mousecfg_data_out)
foreach(f ${_mousecfg_data})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${f})
  add_custom_command(OUTPUT ${MOUSECFG_BIN_DIR}/${rel}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${MOUSECFG_BIN_DIR}/${rel}
    DEPENDS ${f} VERBATIM)
  list(APPEND _mousecfg_data_out ${MOUSECFG_BIN_DIR}/${rel})
endforeach()

# Roboto comes from Debian's font package, or from fonts/ when a copy is committed there.
set(_roboto_out ${MOUSECFG_BIN_DIR}/fonts/roboto-hinted/Roboto-Regular.ttf)
find_file(MOUSECFG_ROBOTO Roboto-Regular.ttf
  PATHS ${CMAKE_SOURCE_DIR}/fonts/roboto-hinted /usr/share/fonts/truetype/roboto/hinted
  NO_DEFAULT_PATH)
if(MOUSECFG_ROBOTO)
  add_custom_command(OUTPUT ${_roboto_out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MOUSECFG_ROBOTO} ${_roboto_out}
    DEPENDS ${MOUSECFG_ROBOTO} VERBATIM)
  list(APPEND _mousecfg_data_out ${_roboto_out})
else()
  message(WARNING "Roboto-Regular.ttf not found (package fonts-roboto-hinted); the program falls back to the system font")
endif()
add_custom_target(mousecfg_datafiles ALL DEPENDS ${_mousecfg_data_out})
