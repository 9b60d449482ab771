w2m_add_test(NAME test_genre_list_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/genre_list_file_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
w2m_add_test(NAME test_genre_list_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/genre_list_window_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 60)
