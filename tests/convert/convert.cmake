# Conversions through the main window. The real encoder module and tag library come from the
# program's folder; a second program runs with the recording fake encoder module found first
# under the plain name libgogo.so.
w2m_add_test(NAME test_convert_plan SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_plan_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 60)
add_dependencies(test_convert_plan mp3infp)

w2m_add_test(NAME test_convert_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_window_test.cpp
             LIBS w2m_gui MAIN gui TIMEOUT 120)
add_dependencies(test_convert_window gogo mp3infp)

set(W2M_CONVERT_FAKE_DIR ${CMAKE_BINARY_DIR}/tests/convert-fakegogo)
add_library(convert_fakegogo SHARED ${CMAKE_SOURCE_DIR}/tests/encoder/FakeGogo.cpp)
target_include_directories(convert_fakegogo PRIVATE ${CMAKE_SOURCE_DIR}/lib/gogo/include)
set_target_properties(convert_fakegogo PROPERTIES
  OUTPUT_NAME gogo
  LIBRARY_OUTPUT_DIRECTORY ${W2M_CONVERT_FAKE_DIR}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_compile_options(convert_fakegogo PRIVATE -fno-gnu-unique)
w2m_strict(convert_fakegogo)

w2m_add_test(NAME test_convert_fake_encoder
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_fake_encoder_test.cpp
             LIBS w2m_gui ${CMAKE_DL_LIBS} MAIN gui TIMEOUT 120
             ENV LD_LIBRARY_PATH=${W2M_CONVERT_FAKE_DIR})
add_dependencies(test_convert_fake_encoder convert_fakegogo mp3infp)

# The real program on a virtual X server: one click on "WAV→MP3実行".
find_program(W2M_CONVERT_XVFB_RUN xvfb-run)
find_program(W2M_CONVERT_XDOTOOL xdotool)
if(W2M_CONVERT_XVFB_RUN AND W2M_CONVERT_XDOTOOL)
  add_test(NAME convert_xvfb COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xvfb_convert.sh ${W2M_BIN_DIR})
  set_tests_properties(convert_xvfb PROPERTIES TIMEOUT 120 RESOURCE_LOCK xvfb)
endif()

# The conversion's working classes without widgets.
w2m_add_test(NAME test_converter SOURCES ${CMAKE_CURRENT_LIST_DIR}/converter_test.cpp
             LIBS w2m_core MAIN core TIMEOUT 120)
add_dependencies(test_converter gogo mp3infp)
