target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/GenreListFile.cpp)
target_sources(w2m_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/GenreList.cpp)
