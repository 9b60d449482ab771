w2m_add_test(NAME test_qt_translations SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_translations_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 60)
