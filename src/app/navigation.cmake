# Opening folders and files in the main window, stepping through them, the jacket image list.
target_sources(w2m_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Unit1Navigation.cpp)
