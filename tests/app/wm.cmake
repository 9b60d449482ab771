# The virtual X servers of these tests are started one at a time (RESOURCE_LOCK xvfb):
# xvfb-run -a picks a free display number, which two starting at once can both pick.
# The real program under a window manager that draws frames (openbox on a virtual X server):
# the frame's place and the outer sizes, kept across two starts.
find_program(W2M_OPENBOX openbox)
find_program(W2M_XPROP xprop)
if(W2M_XVFB_RUN AND W2M_XDOTOOL AND W2M_XWININFO AND W2M_OPENBOX AND W2M_XPROP)
  add_test(NAME app_xvfb_window_manager
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xvfb_wm_place.sh ${W2M_BIN_DIR})
  set_tests_properties(app_xvfb_window_manager PROPERTIES TIMEOUT 60 RESOURCE_LOCK xvfb)
endif()
