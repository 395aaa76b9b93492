# Windows build: the shipping setup.exe (i686) or its x86_64 twin for Wine.
enable_language(RC)
enable_testing()

add_executable(setup WIN32
  ${QUARVEL_PRODUCT_SOURCES}
  ${CMAKE_SOURCE_DIR}/installer/winmain.cpp
  ${CMAKE_SOURCE_DIR}/resources/quarvel.rc)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(setup PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${QUARVEL_PRODUCT_WARNINGS} -Os -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables -fno-threadsafe-statics -ffunction-sections>)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/quarvel.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/strings.def;${CMAKE_SOURCE_DIR}/resources/completion_dialog.def;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/banner.bmp;${CMAKE_SOURCE_DIR}/resources/quarvel.ico;${CMAKE_SOURCE_DIR}/resources/quarvel_small.ico")
# A classic Win32 program: GUI subsystem, header versions 4.0 so that Windows
# 95 and NT 4.0 accept it, no libgcc or libstdc++ DLL, stripped.
# The entry is the program's own (installer/winmain.cpp): without the C
# runtime's start-up code the program is about a third smaller. It is loaded
# at its preferred address, so it carries no relocations.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # Windows 95 runs on a 386: no instructions newer than that (the compiler's
  # default would allow cmov, which a Pentium or a 486 does not have).
  target_compile_options(setup PRIVATE -march=i386 -mtune=generic)
  set(QUARVEL_HEADER_VERSIONS
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
  set(QUARVEL_ENTRY _QuarvelStart)
else()
  set(QUARVEL_ENTRY QuarvelStart)
endif()
target_link_options(setup PRIVATE -mwindows -s -static-libgcc -static-libstdc++
  -nostartfiles -Wl,-e,${QUARVEL_ENTRY} -Wl,--require-defined=${QUARVEL_ENTRY}
  -Wl,--disable-dynamicbase -Wl,--disable-reloc-section
  -Wl,--gc-sections ${QUARVEL_HEADER_VERSIONS})
target_link_libraries(setup PRIVATE dxguid ole32 version advapi32 user32 kernel32)

add_test(NAME setup_exe_pe_properties
  COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${CMAKE_OBJDUMP}
    -DEXE=$<TARGET_FILE:setup>
    -DARCH=${CMAKE_SYSTEM_PROCESSOR}
    "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:setup>,$<COMMA>>"
    -P ${CMAKE_SOURCE_DIR}/cmake/check_pe.cmake)

# The real program under 64-bit Wine with a scripted user (x86_64 build only).
add_subdirectory(e2e)

# The benchmark's floor program (x86_64 build only).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_subdirectory(bench)
endif()

# The shipping program's size, resources included, must not creep up unseen.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(QUARVEL_SIZE_BUDGET 24576 CACHE STRING "Largest allowed size of the shipping setup.exe, in bytes")
  add_test(NAME setup_exe_size_budget
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:setup> -DBUDGET=${QUARVEL_SIZE_BUDGET}
      -P ${CMAKE_SOURCE_DIR}/cmake/check_size.cmake)
endif()
