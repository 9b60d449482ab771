w2m_add_test(NAME test_tag_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/tag_view_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 120)
