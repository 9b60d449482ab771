w2m_add_test(NAME test_my_mp3infp SOURCES ${CMAKE_CURRENT_LIST_DIR}/my_mp3infp_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
