# Warnings are errors on our own code only; generated and third-party code is left alone.
function(mz_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()

# A library made of every .cpp file of one folder. A folder without sources yet
# gives an interface library, so later work can fill it without touching CMake.
function(mz_folder_library name folder)
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        mz_warnings(${name})
        set(scope PUBLIC)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        set(scope INTERFACE)
    endif()
    if(ARGN)
        target_link_libraries(${name} ${scope} ${ARGN})
    endif()
endfunction()

# One GoogleTest executable made of every .cpp file of one test folder.
function(mz_test_folder name folder)
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    mz_warnings(${name})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gmock GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        MZ_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        MZ_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        MZ_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # A folder may ask for more time per test by setting mz_test_timeout before the call.
    if(NOT DEFINED mz_test_timeout)
        set(mz_test_timeout 300)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT ${mz_test_timeout})
endfunction()
