w2m_add_test(NAME test_navigation
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/navigation_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 60)
