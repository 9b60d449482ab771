w2m_add_test(NAME test_browse_folder MAIN gui TIMEOUT 60 LIBS w2m_gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/browser_test.cpp)
w2m_add_test(NAME test_shell_services MAIN gui TIMEOUT 60 LIBS w2m_gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell_test.cpp)
