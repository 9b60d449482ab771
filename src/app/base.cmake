# Paths inside an included file are relative to this folder.
target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/AppInfo.cpp ${CMAKE_CURRENT_LIST_DIR}/Cp932.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminationSignal.cpp ${CMAKE_CURRENT_LIST_DIR}/QtTranslations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WorkerThread.cpp)
target_sources(w2m_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Platform.cpp)
