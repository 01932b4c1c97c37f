# Profiles: the classes without widgets join the core (the command-line tool uses them too).
file(GLOB _profiles_core CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/profiles/*.cpp ${CMAKE_SOURCE_DIR}/profiles/*.h)
if(TARGET Qt6::DBus)
  target_link_libraries(mousecfg_core PUBLIC Qt6::DBus)
  target_compile_definitions(mousecfg_core PUBLIC MOUSECFG_HAVE_DBUS)
else()
  # No scripting interface without D-Bus; mousecfg-cli then always works on the files.
  list(FILTER _profiles_core EXCLUDE REGEX "/(profilebus|devicebus)\\.(cpp|h)$")
endif()
target_sources(mousecfg_core PRIVATE ${_profiles_core})
