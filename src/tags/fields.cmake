target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/my_mp3infp.cpp)
