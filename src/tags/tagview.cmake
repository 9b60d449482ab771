# Showing and writing tags, the field memory, comment composing (no widgets).
target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/TagEditor.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/TagCopy.cpp)
