# Checks the built setup.exe: a classic Win32 GUI program, stripped, whose
# imports come only from the system DLLs it is allowed to use, without
# relocations, and (32-bit) with no instruction newer than the 386's.
# Usage: cmake -DOBJDUMP=... -DEXE=... -DARCH=i686|x86_64 [-DOBJECTS=a.obj,b.obj,...]
#        -P check_pe.cmake
set(failures "")

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${EXE}")
endif()
execute_process(COMMAND ${OBJDUMP} -f ${EXE} OUTPUT_VARIABLE fileHeader)

function(expect_match text regex what)
  if(NOT text MATCHES "${regex}")
    set(failures "${failures}\n  ${what}" PARENT_SCOPE)
  endif()
endfunction()

if(ARCH STREQUAL "i686")
  expect_match("${fileHeader}" "file format pei-i386" "not a PE32 (i386) image")
  foreach(field MajorOSystemVersion MajorSubsystemVersion)
    expect_match("${headers}" "${field}[ \t]+4\n" "${field} is not 4")
  endforeach()
  foreach(field MinorOSystemVersion MinorSubsystemVersion)
    expect_match("${headers}" "${field}[ \t]+0\n" "${field} is not 0")
  endforeach()
else()
  expect_match("${fileHeader}" "file format pei-x86-64" "not a PE32+ (x86-64) image")
endif()
expect_match("${headers}" "Subsystem[ \t]+0*2[ \t]+\\(Windows GUI\\)" "subsystem is not Windows GUI")
if(fileHeader MATCHES "HAS_SYMS")
  set(failures "${failures}\n  the image is not stripped (HAS_SYMS)")
endif()

set(allowed kernel32.dll user32.dll advapi32.dll version.dll ole32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" dllLines "${headers}")
if(NOT dllLines)
  set(failures "${failures}\n  no import table found")
endif()
foreach(line IN LISTS dllLines)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dllLower)
  list(FIND allowed "${dllLower}" index)
  if(index EQUAL -1)
    set(failures "${failures}\n  imports from ${dll}, which is not allowed")
  endif()
  message(STATUS "imports from ${dll}")
endforeach()
if(headers MATCHES "__cxa_|_Unwind_|__gxx_personality")
  set(failures "${failures}\n  imports C++ runtime support")
endif()

# Loaded at its preferred address: no relocations, no address randomisation.
expect_match("${headers}" "Entry 5 0+ 0+ Base Relocation Directory" "the image carries relocations")
if(headers MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
  math(EXPR dynamicBase "0x${CMAKE_MATCH_1} & 0x40")
  if(NOT dynamicBase EQUAL 0)
    set(failures "${failures}\n  the image asks for address randomisation (DYNAMIC_BASE)")
  endif()
endif()

# Windows 95 runs on a 386: no instruction of a later processor.
if(ARCH STREQUAL "i686")
  execute_process(COMMAND ${OBJDUMP} -d ${EXE} OUTPUT_VARIABLE code)
  string(REGEX MATCHALL "\t(cmov[a-z]*|fcmov[a-z]*|f[u]?comip?|cpuid|rdtsc|bswap|cmpxchg[a-z0-9]*|xadd[a-z]*)[ \t\n]|%x?mm[0-9]" newer "${code}")
  if(newer)
    list(REMOVE_DUPLICATES newer)
    string(STRIP "${newer}" newer)
    set(failures "${failures}\n  uses instructions a 386 does not have: ${newer}")
  endif()
endif()

# The program has its own entry and no C runtime start-up, so nothing would
# run a global constructor: none of its objects may carry one.
string(REPLACE "," ";" objectList "${OBJECTS}")
foreach(object IN LISTS objectList)
  execute_process(COMMAND ${OBJDUMP} -h ${object} OUTPUT_VARIABLE sections)
  if(sections MATCHES "[ \t]\\.(ctors|init_array)")
    get_filename_component(name ${object} NAME)
    set(failures "${failures}\n  ${name} has a global constructor, which nothing would run")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${EXE} fails its checks:${failures}")
endif()
message(STATUS "${EXE}: PE checks passed")
