target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CommentText.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/FieldMemory.cpp)
