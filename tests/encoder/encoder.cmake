# The recording fake of the encoder module, once complete and once lacking MPGE_getVersion.
set(W2M_FAKE_GOGO_DIR ${CMAKE_BINARY_DIR}/tests/fakegogo)
foreach(variant fakegogo fakegogo_incomplete)
  add_library(${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/FakeGogo.cpp)
  target_include_directories(${variant} PRIVATE ${CMAKE_SOURCE_DIR}/lib/gogo/include)
  set_target_properties(${variant} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${W2M_FAKE_GOGO_DIR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # No GNU unique symbols: they would keep the module mapped after the last dlclose.
  target_compile_options(${variant} PRIVATE -fno-gnu-unique)
  w2m_strict(${variant})
endforeach()
target_compile_definitions(fakegogo_incomplete PRIVATE FAKE_GOGO_INCOMPLETE)

function(w2m_encoder_test name)
  w2m_add_test(NAME ${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp ${ARGN}
               LIBS w2m_core ${CMAKE_DL_LIBS} MAIN core TIMEOUT 120)
  add_dependencies(${name} fakegogo fakegogo_incomplete)
  target_compile_definitions(${name} PRIVATE
    FAKE_GOGO_PATH="$<TARGET_FILE:fakegogo>"
    FAKE_GOGO_INCOMPLETE_PATH="$<TARGET_FILE:fakegogo_incomplete>")
endfunction()

# File names follow the test names.
w2m_encoder_test(gogo_binding_test)
w2m_encoder_test(gogo_tea_test)
w2m_encoder_test(gogo_tea_real_test)
add_dependencies(gogo_tea_real_test gogo)
