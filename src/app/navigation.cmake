# Opening folders and files, stepping through them, the jacket image list (no widgets).
target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Navigator.cpp)
