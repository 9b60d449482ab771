w2m_add_test(NAME test_comment_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/comment_text_test.cpp
             LIBS w2m_core MAIN plain TIMEOUT 60)
w2m_add_test(NAME test_main_window_tags SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_tags_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 60)
