# pellmont_add_package(<folder> <kind> <name> <version> <file name>)
# Adds a build rule for one package (see BuildPackage.cmake) and appends its path to the caller's
# PELLMONT_PACKAGES list, for a target that depends on them.
include(${CMAKE_CURRENT_LIST_DIR}/PackageCodes.cmake)
set(PELLMONT_PACKAGE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/BuildPackage.cmake ${CMAKE_CURRENT_LIST_DIR}/Package.wxs
                             ${CMAKE_CURRENT_LIST_DIR}/PackageCodes.cmake)
set(PELLMONT_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/BuildPackage.cmake)

function(pellmont_add_package folder kind name version fileName)
    set(output "${folder}/${fileName}")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} "-DKIND=${kind}" "-DNAME=${name}" "-DVERSION=${version}" "-DOUTPUT=${output}"
                -P ${PELLMONT_PACKAGE_SCRIPT}
        DEPENDS ${PELLMONT_PACKAGE_SOURCES}
        COMMENT "Building package ${fileName}"
        VERBATIM)
    set(PELLMONT_PACKAGES ${PELLMONT_PACKAGES} "${output}" PARENT_SCOPE)
endfunction()
