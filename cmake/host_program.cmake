# Host build: the program's code on the simulated machine, with the tests.
enable_testing()
find_package(GTest REQUIRED)

if(QUARVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_subdirectory(sim)

add_library(quarvel_product STATIC ${QUARVEL_PRODUCT_SOURCES})
target_include_directories(quarvel_product PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform)
target_compile_options(quarvel_product PRIVATE ${QUARVEL_PRODUCT_WARNINGS} -fno-exceptions -fno-rtti)
target_link_libraries(quarvel_product PUBLIC quarvel_sim)

add_subdirectory(resources)
add_subdirectory(tests)

if(QUARVEL_FUZZ)
  add_subdirectory(fuzz)
endif()
