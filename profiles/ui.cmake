# Profiles: the chooser, the tray submenu and the rules dialog; the active-window sources.
file(GLOB _profiles_ui CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/profiles/ui/*.cpp ${CMAKE_SOURCE_DIR}/profiles/ui/*.h)
target_sources(mousecfg_ui PRIVATE ${_profiles_ui})
if(UNIX AND NOT APPLE)
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
  target_link_libraries(mousecfg_ui PUBLIC PkgConfig::XCB)
endif()
if(NOT TARGET Qt6::DBus)
  # The compositor cannot be asked without D-Bus: the rules dialog says the desktop tells nothing.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/linux/kwinactivewindow.cpp
    ${CMAKE_SOURCE_DIR}/platform/linux/kwinactivewindow.h PROPERTIES HEADER_FILE_ONLY ON SKIP_AUTOMOC ON)
endif()
if(UNIX AND NOT APPLE)
  include(${CMAKE_SOURCE_DIR}/platform/linux/wlroots.cmake)
endif()
