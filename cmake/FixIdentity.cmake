# The fix this build makes. One identifier names the program, the packages'
# file and signing object name (<id>.msp), their PatchInfo letter and display
# name, and the version line of the event texts.
set(ZEP_FIX_ID "hf41" CACHE STRING "Identifier of the fix: program name, <id>.msp, PatchInfo letter")
# The checker matches a package by its lower-cased file name, and the id is
# also a file name and a cabinet stream name: keep it to lower-case letters,
# digits and "_".
if(NOT ZEP_FIX_ID MATCHES "^[a-z0-9_]+$")
  message(FATAL_ERROR "ZEP_FIX_ID \"${ZEP_FIX_ID}\": use lower-case letters, digits and _ only")
endif()
set(ZEP_PACKAGE_NAME ${ZEP_FIX_ID}.msp)

set(ZEP_GENERATED_INCLUDE ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${ZEP_GENERATED_INCLUDE}/FixIdentity.h CONTENT
"#pragma once
// Written by the build from ZEP_FIX_ID.
#define ZEP_FIX_IDENTIFIER L\"${ZEP_FIX_ID}\"
#define ZEP_FIX_IDENTIFIER_A \"${ZEP_FIX_ID}\"
")
