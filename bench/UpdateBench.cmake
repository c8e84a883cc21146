# The whole-update benchmark (scripts/bench-update.sh): update_bench plugs the simulated device
# into a umockdev testbed and a mock udisks2 and runs update_bench_program, the application with a
# hook that makes one update and writes down what it cost. Both land in <build>/bench.
if(NOT TARGET zephlark_plugged_sim_device)
    message(STATUS "umockdev or the mock udisks2 is missing: the update benchmark is not built")
    return()
endif()

add_executable(update_bench_program
    ${CMAKE_CURRENT_LIST_DIR}/UpdateBenchProgram.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRunFigures.cpp
)
target_link_libraries(update_bench_program PRIVATE
    zephlark_app zephlark_platform_linux zephlark_test_support)

add_executable(update_bench
    ${CMAKE_CURRENT_LIST_DIR}/update_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateDeviceTime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateRunFigures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MachineLoad.cpp
)
target_link_libraries(update_bench PRIVATE zephlark_plugged_sim_device)
# update_bench starts the program from its own folder.
add_dependencies(update_bench update_bench_program)
set_target_properties(update_bench update_bench_program PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
