# cmake -DSGVRTOOL= -DKEYS= -DKEY= -DNAME= -DINPUT= -DOUTPUT= -DSIGN=ON|OFF -P SignPackage.cmake
# Copies INPUT to OUTPUT. A package that already verifies under the object
# name NAME against the key registries in KEYS is kept byte for byte; any
# other is signed with KEY when SIGN is on, and refused otherwise.
execute_process(COMMAND ${SGVRTOOL} check --keys ${KEYS} --object-name ${NAME} ${INPUT}
                RESULT_VARIABLE checked OUTPUT_VARIABLE verdict ERROR_VARIABLE verdict)
file(COPY_FILE ${INPUT} ${OUTPUT}.tmp)
if(NOT checked EQUAL 0)
  if(NOT SIGN OR NOT KEY)
    file(REMOVE ${OUTPUT}.tmp)
    string(STRIP "${verdict}" verdict)
    message(FATAL_ERROR "package ${INPUT}: not signed as ${NAME} for the key registries in ${KEYS}\n"
            "  ${verdict}\n"
            "  Sign it (sgvrtool sign --object-name ${NAME} KEYFILE FILE) or let the build sign it "
            "(-DZEP_SIGN_GIVEN_PACKAGES=ON with ZEP_PACKAGE_SIGNING_KEY).")
  endif()
  execute_process(COMMAND ${SGVRTOOL} sign --object-name ${NAME} ${KEY} ${OUTPUT}.tmp RESULT_VARIABLE signed)
  if(NOT signed EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "package ${INPUT}: cannot be signed as ${NAME} (see above)")
  endif()
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
