target_sources(w2m_core PRIVATE ${CMAKE_CURRENT_LIST_DIR} /
               BatchResult.cpp ${CMAKE_CURRENT_LIST_DIR} / BatchRun.cpp ${CMAKE_CURRENT_LIST_DIR} /
               Converter.cpp ${CMAKE_CURRENT_LIST_DIR} / ConvertPlan.cpp ${CMAKE_CURRENT_LIST_DIR} /
               EncodeTarget.cpp ${CMAKE_CURRENT_LIST_DIR} / Mp3Verification.cpp)
