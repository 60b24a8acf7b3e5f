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

# The Qt widgets of a layer (its ui/ folder): a library of their own, so that the layer
# itself builds and tests without Qt. Nothing is made when the workbench is not built.
function(palomet_ui_layer name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  if(NOT PALOMET_GUI)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(palomet_${name}_ui STATIC ${sources})
  set_target_properties(palomet_${name}_ui PROPERTIES AUTOMOC ON)
  target_include_directories(palomet_${name}_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(palomet_${name}_ui PRIVATE ${PALOMET_WARNINGS})
  target_link_libraries(palomet_${name}_ui PUBLIC palomet_${name} ${L_DEPS} Qt6::Widgets)
endfunction()

# One GoogleTest binary, test_<name>, per folder of tests/ (tests/<name>, or the folder DIR
# names, such as profiles/ui for test_profiles_ui). GUI folders link QtTest and run
# offscreen, so no display is needed.
function(palomet_test_folder name)
  cmake_parse_arguments(T "GUI" "DIR" "DEPS" ${ARGN})
  if(NOT T_DIR)
    set(T_DIR ${name})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${T_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  # Test files keep their helpers in their own anonymous namespaces, alike from file to file:
  # they compile one at a time even in a tree that builds the libraries in batches.
  set_target_properties(test_${name} PROPERTIES UNITY_BUILD OFF)
  target_compile_options(test_${name} PRIVATE ${PALOMET_WARNINGS})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} palomet_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${name} PRIVATE
    PALOMET_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    PALOMET_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PALOMET_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  if(T_GUI)
    set_target_properties(test_${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(test_${name} PRIVATE Qt6::Test Qt6::Widgets)
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  else()
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# A program that offers PALOMET_SERVICES=simulated, when the build does (a build tree's
# programs; `make deb` turns it off, so the packages never carry the table).
function(palomet_offer_simulated_services target)
  if(PALOMET_SIMULATED_SERVICES)
    target_link_libraries(${target} PRIVATE palomet_services_simulated)
    target_compile_definitions(${target} PRIVATE PALOMET_SIMULATED_SERVICES)
  endif()
endfunction()
