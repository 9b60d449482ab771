w2m_add_test(NAME test_settings_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_file_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
w2m_add_test(NAME test_shorten_path SOURCES ${CMAKE_CURRENT_LIST_DIR}/shorten_path_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
w2m_add_test(NAME test_folder_scan SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_scan_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
