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
set(ZEP_PATCH_GUID "{A623E528-4926-4E76-92A1-A9220E993BE6}" CACHE STRING "Patch code of the fix")
set(ZEP_PRODUCT_CODE "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}" CACHE STRING
    "Product code the packages must target (the product found by its upgrade code)")
set(ZEP_KEY_REGISTRIES "" CACHE PATH
    "Folder with the product's tl.pbv and oper.pbv the packages are checked against (default: the test registries)")
if(ZEP_KEY_REGISTRIES)
  set(ZEP_LINT_KEYS ${ZEP_KEY_REGISTRIES})
  set(ZEP_LINT_KEYS_DEPENDS)
else()
  set(ZEP_LINT_KEYS ${CMAKE_BINARY_DIR}/keys)
  set(ZEP_LINT_KEYS_DEPENDS ${ZEP_LINT_KEYS}/tl.pbv ${ZEP_LINT_KEYS}/oper.pbv)
endif()

# Signing a package: the step between the package given or made and the one
# the program embeds. The program writes and checks its package as <id>.msp,
# so that is the object name the signature covers (key
# ZEP_PACKAGE_SIGNING_KEY). A package that already verifies under that name
# against the key registries is kept as it is; one that carries another
# trailer is refused by sgvrtool sign, which fails the build. SIGN OFF (a
# vendor's own package, unless ZEP_SIGN_GIVEN_PACKAGES): never signed here, a
# package that does not verify fails the build.
function(zep_sign_package in out)
  cmake_parse_arguments(arg "" "SIGN" "" ${ARGN})
  if(NOT DEFINED arg_SIGN)
    set(arg_SIGN ON)
  endif()
  get_filename_component(dir ${out} DIRECTORY)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -DSGVRTOOL=${ZEP_SGVRTOOL_HOST} -DKEYS=${ZEP_LINT_KEYS}
            -DKEY=${ZEP_PACKAGE_SIGNING_KEY} -DNAME=${ZEP_PACKAGE_NAME} -DINPUT=${in} -DOUTPUT=${out} -DSIGN=${arg_SIGN}
            -P ${ZEP_REPO_DIR}/cmake/SignPackage.cmake
    DEPENDS ${ZEP_SGVRTOOL_TARGET} ${in} ${ZEP_PACKAGE_SIGNING_KEY} ${ZEP_LINT_KEYS_DEPENDS}
            ${ZEP_REPO_DIR}/cmake/SignPackage.cmake
    COMMENT "Signing ${out} as ${ZEP_PACKAGE_NAME}"
    VERBATIM)
endfunction()

# zep_lint_packages(STAMP file X86 package X64 package)
# The package lint over the two packages the program embeds: the build fails
# with the package and the requirement it breaks.
function(zep_lint_packages)
  cmake_parse_arguments(arg "" "STAMP;X86;X64" "" ${ARGN})
  add_custom_command(OUTPUT ${arg_STAMP}
    COMMAND ${ZEP_SGVRTOOL_HOST} lint --keys ${ZEP_LINT_KEYS} --fix-id ${ZEP_FIX_ID}
            --product ${ZEP_PRODUCT_CODE} --x86 ${arg_X86} --x64 ${arg_X64}
    COMMAND ${CMAKE_COMMAND} -E touch ${arg_STAMP}
    DEPENDS ${ZEP_SGVRTOOL_TARGET} ${arg_X86} ${arg_X64} ${ZEP_LINT_KEYS_DEPENDS}
    COMMENT "Checking the packages against what the patcher requires of them (101: ${ZEP_PACKAGE_ORIGIN_X86}; 102: ${ZEP_PACKAGE_ORIGIN_X64})"
    VERBATIM)
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
            --ca $<TARGET_FILE:patch> --letter ${ZEP_FIX_ID} --guid ${ZEP_PATCH_GUID}
            ${file_args} ${product_args}
    DEPENDS host_mkpatch patch ${arg_TARGET_MSI} ${file_deps} ${arg_DEPENDS}
    COMMENT "Making the ${arg_PLATFORM} patch package ${arg_OUTPUT}"
    VERBATIM)
endfunction()
