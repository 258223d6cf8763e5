# The fix's patch packages, made at build time by tools/mkpatch from the
# target product package, the changed files and patch.dll.
#
# Until a vendor passes its own product packages, the targets are the
# stand-in ZEP 8 packages of testenv/msi (x86: 32-bit layout, x64: the same
# product authored for x64), and the changed file is the stand-in's readme.
set(ZEP_STANDIN_PRODUCT ${CMAKE_BINARY_DIR}/testenv/msi/zep8.msi CACHE INTERNAL "")
set(ZEP_STANDIN_PRODUCT_X64 ${CMAKE_BINARY_DIR}/testenv/msi/zep8-x64.msi CACHE INTERNAL "")

set(ZEP_TARGET_MSI_X86 "" CACHE FILEPATH "Product package the x86 patch targets (default: the stand-in)")
set(ZEP_TARGET_MSI_X64 "" CACHE FILEPATH "Product package the x64 patch targets (default: the stand-in)")
set(ZEP_FIX_FILES "readme.txt=${CMAKE_SOURCE_DIR}/testenv/msi/fix/readme.txt" CACHE STRING
    "Changed files of the fix, as FileKey=path items")
set(ZEP_FIX_LETTER "hf41" CACHE STRING "Fix identifier written to the packages' PatchInfo row")
set(ZEP_PATCH_GUID "{A623E528-4926-4E76-92A1-A9220E993BE6}" CACHE STRING "Patch code of the fix")

# Signing the packages: the step between the unsigned package and the one the
# program embeds. hf41 writes and checks a package as "hf41.msp", so that is
# the object name the signature covers (cmake/SgvrTool.cmake, key
# ZEP_PACKAGE_SIGNING_KEY).
function(zep_sign_package in out)
  zep_sign_file(INPUT ${in} OUTPUT ${out} OBJECT_NAME hf41.msp)
endfunction()

# zep_make_patch_package(OUTPUT file PLATFORM x86|x64 TARGET_MSI msi
#                        [PRODUCT code] [TRANSFORM_PRODUCT code] [DEPENDS targets...])
# Makes one unsigned genuine package with this build's patch.dll inside.
function(zep_make_patch_package)
  cmake_parse_arguments(arg "" "OUTPUT;PLATFORM;TARGET_MSI;PRODUCT;TRANSFORM_PRODUCT" "DEPENDS" ${ARGN})
  set(file_args)
  set(file_deps)
  foreach(item IN LISTS ZEP_FIX_FILES)
    list(APPEND file_args --file ${item})
    string(REGEX REPLACE "^[^=]*=" "" path "${item}")
    list(APPEND file_deps ${path})
  endforeach()
  set(product_args)
  if(arg_PRODUCT)
    set(product_args --product ${arg_PRODUCT})
  endif()
  if(arg_TRANSFORM_PRODUCT)
    list(APPEND product_args --transform-product ${arg_TRANSFORM_PRODUCT})
  endif()
  get_filename_component(dir ${arg_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${arg_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${ZEP_MKPATCH} ${arg_OUTPUT} --platform ${arg_PLATFORM} --target ${arg_TARGET_MSI}
            --ca $<TARGET_FILE:patch> --letter ${ZEP_FIX_LETTER} --guid ${ZEP_PATCH_GUID}
            ${file_args} ${product_args}
    DEPENDS host_mkpatch patch ${arg_TARGET_MSI} ${file_deps} ${arg_DEPENDS}
    COMMENT "Making the ${arg_PLATFORM} patch package ${arg_OUTPUT}"
    VERBATIM)
endfunction()
