# Conversions in a folder of a FUSE mount (bindfs): no rename that must not replace, files
# removed while open kept as hidden files.
w2m_add_test(NAME test_convert_fuse SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_fuse_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
add_dependencies(test_convert_fuse gogo mp3infp)
