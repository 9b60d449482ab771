# The real program without its encoder module: error box, no main window, failure exit.
find_program(W2M_XVFB_RUN xvfb-run)
find_program(W2M_XDOTOOL xdotool)
find_program(W2M_XWININFO xwininfo)
if(W2M_XVFB_RUN AND W2M_XDOTOOL AND W2M_XWININFO)
  add_test(NAME app_without_encoder
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xvfb_no_encoder.sh ${W2M_BIN_DIR})
  set_tests_properties(app_without_encoder PROPERTIES TIMEOUT 60 RESOURCE_LOCK xvfb)
endif()
