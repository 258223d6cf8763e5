# sgvrtool at build time: the registries compiled into the signature library,
# key registries and signed files. Other parts of the build call:
#
#   zep_sign_file(INPUT in OUTPUT out [KEY key] [OBJECT_NAME name])
#       copies in to out and appends a signature trailer made with key (default
#       ZEP_PACKAGE_SIGNING_KEY). The signed hash takes the object name the
#       checker will use: the lower-cased file name, by default out's name.
#   zep_make_registry(OUTPUT out DESCRIPTION desc [SIGN_KEY key] [DEPENDS ...])
#       builds a key registry image from a text description (sgvrtool mkreg;
#       `pubkey "file"` values name key files) and signs it when a key is given.
#   zep_builtin_registry(out)
#       the built-in registry: the vendor's file ZEP_BUILTIN_REGISTRY when set,
#       else one made from ZEP_BUILTIN_ROOT_KEY (sgvrtool mkroot).
#   zep_embed_bytes(in out.cpp symbol)
#       a C++ source holding the bytes of in as sgvr::symbol / symbolSize.
#
# ZEP_SGVRTOOL is the tool's path and ZEP_SGVRTOOL_TARGET the target that
# builds it: sgvrtool_boot in a native build, the host-built tool of
# cmake/HostTools.cmake in the Windows presets.

get_filename_component(ZEP_REPO_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(ZEP_TEST_KEY_DIR ${ZEP_REPO_DIR}/tests/keys)

set(ZEP_BUILTIN_REGISTRY "" CACHE FILEPATH
    "A vendor's built-in registry image (id 0x7FFFFE) to compile in instead of the test trust root")
set(ZEP_BUILTIN_ROOT_KEY ${ZEP_TEST_KEY_DIR}/test-builtin-root.key CACHE FILEPATH
    "Key file whose public key the built-in registry holds when ZEP_BUILTIN_REGISTRY is not set")
set(ZEP_PACKAGE_SIGNING_KEY ${ZEP_TEST_KEY_DIR}/test-oper.key CACHE FILEPATH
    "Key file that signs the patch packages (its public key must be in oper.pbv)")

if(NOT DEFINED ZEP_SGVRTOOL)
  set(ZEP_SGVRTOOL $<TARGET_FILE:sgvrtool_boot>)
  set(ZEP_SGVRTOOL_TARGET sgvrtool_boot)
endif()

function(zep_embed_bytes input output symbol)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${ZEP_REPO_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${input} ${ZEP_REPO_DIR}/cmake/EmbedBytes.cmake
    VERBATIM)
endfunction()

function(zep_make_registry)
  cmake_parse_arguments(ARG "" "OUTPUT;DESCRIPTION;SIGN_KEY" "DEPENDS" ${ARGN})
  get_filename_component(dir ${ARG_OUTPUT} DIRECTORY)
  set(sign_command)
  set(sign_depends)
  if(ARG_SIGN_KEY)
    set(sign_command COMMAND ${ZEP_SGVRTOOL} sign ${ARG_SIGN_KEY} ${ARG_OUTPUT}.tmp)
    set(sign_depends ${ARG_SIGN_KEY})
  endif()
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${ARG_OUTPUT}.tmp
    COMMAND ${ZEP_SGVRTOOL} mkreg ${ARG_DESCRIPTION} ${ARG_OUTPUT}.tmp
    ${sign_command}
    COMMAND ${CMAKE_COMMAND} -E rename ${ARG_OUTPUT}.tmp ${ARG_OUTPUT}
    DEPENDS ${ZEP_SGVRTOOL_TARGET} ${ARG_DESCRIPTION} ${sign_depends} ${ARG_DEPENDS}
    VERBATIM)
endfunction()

function(zep_sign_file)
  cmake_parse_arguments(ARG "" "INPUT;OUTPUT;KEY;OBJECT_NAME" "DEPENDS" ${ARGN})
  if(NOT ARG_KEY)
    set(ARG_KEY ${ZEP_PACKAGE_SIGNING_KEY})
  endif()
  if(NOT ARG_OBJECT_NAME)
    get_filename_component(ARG_OBJECT_NAME ${ARG_OUTPUT} NAME)
  endif()
  get_filename_component(dir ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${ARG_INPUT} ${ARG_OUTPUT}.tmp
    COMMAND ${ZEP_SGVRTOOL} sign --object-name ${ARG_OBJECT_NAME} ${ARG_KEY} ${ARG_OUTPUT}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${ARG_OUTPUT}.tmp ${ARG_OUTPUT}
    DEPENDS ${ZEP_SGVRTOOL_TARGET} ${ARG_INPUT} ${ARG_KEY} ${ARG_DEPENDS}
    VERBATIM)
endfunction()

function(zep_builtin_registry output)
  get_filename_component(dir ${output} DIRECTORY)
  if(ZEP_BUILTIN_REGISTRY)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${CMAKE_COMMAND} -E copy ${ZEP_BUILTIN_REGISTRY} ${output}
      DEPENDS ${ZEP_BUILTIN_REGISTRY}
      VERBATIM)
  else()
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${ZEP_SGVRTOOL} mkroot ${ZEP_BUILTIN_ROOT_KEY} ${output}
      DEPENDS ${ZEP_SGVRTOOL_TARGET} ${ZEP_BUILTIN_ROOT_KEY}
      VERBATIM)
  endif()
endfunction()
