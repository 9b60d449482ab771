w2m_add_test(NAME test_main_window
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 60)

# Pictures of the two windows for the documentation (not a test):
#   build/tests/window_shots docs
add_executable(window_shots ${CMAKE_CURRENT_LIST_DIR}/window_shots.cpp)
target_link_libraries(window_shots PRIVATE w2m_gui)
set_target_properties(window_shots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                              BUILD_RPATH "${W2M_BIN_DIR}")
w2m_strict(window_shots)

# The real program on a virtual X server: first window place and width, exit button, the
# settings file it writes. Needs xvfb-run, xdotool and xwininfo.
find_program(W2M_XVFB_RUN xvfb-run)
find_program(W2M_XDOTOOL xdotool)
find_program(W2M_XWININFO xwininfo)
if(W2M_XVFB_RUN AND W2M_XDOTOOL AND W2M_XWININFO)
  add_test(NAME app_xvfb_start COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xvfb_start.sh ${W2M_BIN_DIR})
  set_tests_properties(app_xvfb_start PROPERTIES TIMEOUT 60 RESOURCE_LOCK xvfb)
endif()
