# Profiles: the classes without widgets join the core (the command-line tool uses them too).
file(GLOB _profiles_core CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/profiles/*.cpp ${CMAKE_SOURCE_DIR}/profiles/*.h)
target_sources(mousecfg_core PRIVATE ${_profiles_core})
target_link_libraries(mousecfg_core PUBLIC Qt6::DBus)
