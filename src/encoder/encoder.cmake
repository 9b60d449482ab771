target_sources(w2m_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/GogoDefs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GogoTea.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EncodeThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EncodeJob.cpp)
