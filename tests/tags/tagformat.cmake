w2m_add_test(NAME test_tag_format SOURCES ${CMAKE_CURRENT_LIST_DIR}/tag_format_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
add_dependencies(test_tag_format mp3infp)
