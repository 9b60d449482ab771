w2m_add_test(NAME test_fs_path SOURCES ${CMAKE_CURRENT_LIST_DIR}/fs_path_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
w2m_add_test(NAME test_trash SOURCES ${CMAKE_CURRENT_LIST_DIR}/trash_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
