# Settings file, path shortening and folder walking (no widgets).
target_sources(w2m_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IniDocument.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MyCommon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShortenPath.cpp)
target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FolderScan.cpp)
