# Benchmark programs, defined in the top directory once its targets exist. Only read through
# bench/bench.cmake (see bench/run); the normal build never sees this file.
set(_bench ${CMAKE_CURRENT_LIST_DIR})

# A minimal Qt Widgets program that shows one window: the start-up baseline.
add_executable(bench_baseline ${_bench}/baseline.cpp)
target_link_libraries(bench_baseline PRIVATE Qt6::Widgets)
mousecfg_warnings(bench_baseline)

# A minimal Qt Widgets program with a tray icon and no window: the baseline of memory in the tray.
add_executable(bench_traybaseline ${_bench}/traybaseline.cpp)
target_link_libraries(bench_traybaseline PRIVATE Qt6::Widgets)
mousecfg_warnings(bench_traybaseline)

# Preloaded into a program under test: reports the first idle of the event loop after a
# top-level window was exposed, then ends the process.
add_library(benchidle SHARED ${_bench}/idlehook.cpp)
set_target_properties(benchidle PROPERTIES AUTOMOC OFF)
target_link_libraries(benchidle PRIVATE Qt6::Gui)
mousecfg_warnings(benchidle)

# Starts programs and measures them from outside: start-up time, memory, idle CPU.
add_executable(bench_process ${_bench}/process.cpp)
target_link_libraries(bench_process PRIVATE Qt6::Core)
target_include_directories(bench_process PRIVATE ${CMAKE_SOURCE_DIR})
mousecfg_warnings(bench_process)

# Device check, profile and macro store against their sizes.
add_executable(bench_scaling ${_bench}/scaling.cpp)
target_link_libraries(bench_scaling PRIVATE mousecfg_core vmouse)
add_dependencies(bench_scaling mousecfg_datafiles)
mousecfg_warnings(bench_scaling)

set(_bench_targets bench_baseline bench_traybaseline benchidle bench_process bench_scaling)

# Change latency and GUI responsiveness need the window and its pages.
if(TARGET mousecfg_ui)
  add_executable(bench_changes ${_bench}/changes.cpp ${_bench}/traceanalysis.cpp ${_bench}/traceanalysis.h)
  target_link_libraries(bench_changes PRIVATE mousecfg_ui mousecfg_core vmouse Qt6::Test)
  add_dependencies(bench_changes mousecfg_datafiles)
  mousecfg_warnings(bench_changes)
  list(APPEND _bench_targets bench_changes)

  # Menus, pickers and pages are built on their first show: what that costs the GUI thread.
  add_executable(bench_firstshow ${_bench}/firstshow.cpp)
  target_link_libraries(bench_firstshow PRIVATE mousecfg_ui mousecfg_core vmouse Qt6::Test)
  add_dependencies(bench_firstshow mousecfg_datafiles)
  mousecfg_warnings(bench_firstshow)
  list(APPEND _bench_targets bench_firstshow)
endif()

add_custom_target(bench_all DEPENDS ${_bench_targets})
