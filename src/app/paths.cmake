# File names as bytes kept losslessly in QString, and the desktop's trash on such paths
# (no widgets).
target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FsPath.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/Trash.cpp)
