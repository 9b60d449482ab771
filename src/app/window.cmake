target_sources(w2m_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/StatusBar.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/Unit1.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/Unit1Controls.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/Unit1View.cpp)
