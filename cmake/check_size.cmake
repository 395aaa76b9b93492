# Fails when EXE is larger than BUDGET bytes.
file(SIZE ${EXE} size)
if(size GREATER BUDGET)
  message(FATAL_ERROR "${EXE} is ${size} bytes, over its budget of ${BUDGET} bytes")
endif()
message(STATUS "${EXE}: ${size} bytes (budget ${BUDGET})")
