# The folder browser component with its dialog, the shell services and the output folder choice.
target_sources(w2m_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BrowseFolderDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderTreeModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OutputFolderChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShellServices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plFileDialog.cpp)
