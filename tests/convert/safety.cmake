# What a conversion must never do to the user's files: links into the WAV file, same-named
# files of one batch, a disk that fills, a WAV without audio, stale temporary files.
w2m_add_test(NAME test_convert_safety SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_safety_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
add_dependencies(test_convert_safety gogo mp3infp)

# A batch killed at chosen moments: kill_driver runs it in its own process.
add_executable(convert_kill_driver ${CMAKE_CURRENT_LIST_DIR}/kill_driver.cpp)
target_include_directories(convert_kill_driver PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(convert_kill_driver PRIVATE w2m_core ${CMAKE_DL_LIBS})
set_target_properties(convert_kill_driver PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
  BUILD_RPATH "${W2M_BIN_DIR}")
w2m_strict(convert_kill_driver)
add_dependencies(convert_kill_driver gogo mp3infp)

w2m_add_test(NAME test_convert_kill SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_kill_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
target_compile_definitions(test_convert_kill PRIVATE
  W2M_KILL_DRIVER="$<TARGET_FILE:convert_kill_driver>")
add_dependencies(test_convert_kill convert_kill_driver)

# Several files at once against one after the other.
w2m_add_test(NAME test_parallel_batch SOURCES ${CMAKE_CURRENT_LIST_DIR}/parallel_batch_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
add_dependencies(test_parallel_batch gogo mp3infp)
