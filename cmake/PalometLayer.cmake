# One static library per layer, made of every .cpp in the layer's folder (subfolders of
# its own, such as decode/app, included); a layer without sources yet is an interface library.
function(palomet_layer name)
  cmake_parse_arguments(L "" "" "DEPS;DIRS" ${ARGN})
  set(sources)
  foreach(dir ${CMAKE_CURRENT_SOURCE_DIR} ${L_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(palomet_${name} STATIC ${sources})
    target_include_directories(palomet_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(palomet_${name} PRIVATE ${PALOMET_WARNINGS})
    target_link_libraries(palomet_${name} PUBLIC ${L_DEPS})
  else()
    add_library(palomet_${name} INTERFACE)
    target_include_directories(palomet_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(palomet_${name} INTERFACE ${L_DEPS})
  endif()
endfunction()

# One GoogleTest binary per folder of tests/.
function(palomet_test_folder name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_compile_options(test_${name} PRIVATE ${PALOMET_WARNINGS})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${name} PRIVATE
    PALOMET_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    PALOMET_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PALOMET_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
endfunction()
